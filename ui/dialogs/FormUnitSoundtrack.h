#pragma once

#include "Soundtrack.h"

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;
class QSpinBox;
class TPrompts;

// "Soundtrack": the show's music file and when it starts against the show.
class TFormSoundtrack : public QDialog {
    Q_OBJECT
public:
    TFormSoundtrack(TPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* editMusic = nullptr;
    QPushButton* bnBrowse = nullptr;
    QSpinBox* editOffset = nullptr;
    QPushButton* bnOK = nullptr;
    QPushButton* bnCancel = nullptr;

    // The music dialogs start here when the soundtrack has no file yet.
    QString StartFolder;

    void Fill(const TSoundtrack& soundtrack);
    // The soundtrack as the dialog has it now; the same music keeps its beats.
    TSoundtrack Edited() const;
    // Fill, show modally; the edited soundtrack on OK, nothing on Cancel.
    std::optional<TSoundtrack> Execute(const TSoundtrack& current);
    // OK: a music file the decoder cannot read is refused with its reason, and the
    // dialog stays open.
    void accept() override;

private:
    void bnBrowseClick();

    TPrompts& Prompts;
    TSoundtrack Current;   // as filled in
};

// The file dialog's choice of music files.
inline const QString MusicFilter =
    QStringLiteral("Music files (*.wav *.flac *.ogg *.oga *.opus *.mp3);;All files (*)");
