#pragma once

#include <QAudioDevice>
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;
class TSettingsStore;

// Which sound outputs carry the laser signal and the music, by device id. An
// empty laser id is the system's default output. An empty music id is the
// system's default output too, unless that carries the laser; NoMusic plays none.
struct TSoundOutputs {
    static inline const QString NoMusic = QStringLiteral("none");

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
// The music's device as it will play: the chosen one (null when it is gone), or the
// system's default when it is not the laser's; null for no music.
QAudioDevice MusicOutput(const TSoundOutputs& outputs);
// Why the music may not play on its chosen output: it is the laser's. Empty when it may.
QString MusicOutputRefusal(const TSoundOutputs& outputs);

// "Sound outputs": the laser signal on one device, the music on another. Outputs
// with the same name are told apart by their device ids; the laser's own output
// is refused for the music right in the dialog.
class TFormSoundOutputs : public QDialog {
    Q_OBJECT
public:
    explicit TFormSoundOutputs(QWidget* parent = nullptr);

    QComboBox* cbLaser = nullptr;
    QComboBox* cbMusic = nullptr;
    QLabel* stNote = nullptr;       // why the choice cannot be taken, or what it means
    QPushButton* bnOK = nullptr;

    // Lists the devices present now, with the stored choices selected (a device
    // that is gone stays listed as missing, so it is not dropped unasked).
    void Fill(const TSoundOutputs& outputs);
    TSoundOutputs Chosen() const;
    bool Execute(TSoundOutputs& outputs);

private:
    void ChoiceChanged();
};
