#pragma once

#include <QAudioDevice>
#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;
class TSettingsStore;

// Which sound outputs carry the laser signal and the music, by device id. An
// empty laser id is the system's default output; an empty music id plays no music.
struct TSoundOutputs {
    QString Laser;
    QString Music;

    void Read(const TSettingsStore& store);
    void Write(TSettingsStore& store) const;
    friend bool operator==(const TSoundOutputs&, const TSoundOutputs&) = default;
};

// The output device of that id; a null device when there is none (any more).
QAudioDevice FindAudioOutput(const QString& id);
// The laser's device as it will play: the chosen one, or the system's default.
QAudioDevice LaserOutput(const TSoundOutputs& outputs);

// "Sound outputs": the laser signal on one device, the music on another.
class TFormSoundOutputs : public QDialog {
    Q_OBJECT
public:
    explicit TFormSoundOutputs(QWidget* parent = nullptr);

    QComboBox* cbLaser = nullptr;
    QComboBox* cbMusic = nullptr;
    QPushButton* bnOK = nullptr;

    // Lists the devices present now, with the stored choices selected (a device
    // that is gone stays listed as missing, so it is not dropped unasked).
    void Fill(const TSoundOutputs& outputs);
    TSoundOutputs Chosen() const;
    bool Execute(TSoundOutputs& outputs);
};
