#include "FormUnitSoundtrack.h"

#include "MusicTrack.h"
#include "Prompts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TFormSoundtrack::TFormSoundtrack(TPrompts& prompts, QWidget* parent) : QDialog(parent), Prompts(prompts)
{
    setObjectName(QStringLiteral("FormSoundtrack"));
    setWindowTitle(QStringLiteral("Soundtrack"));

    editMusic = new QLineEdit(this);
    editMusic->setObjectName(QStringLiteral("editMusic"));
    editMusic->setMinimumWidth(320);
    bnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    bnBrowse->setObjectName(QStringLiteral("bnBrowse"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(editMusic, 1);
    fileRow->addWidget(bnBrowse);

    editOffset = new QSpinBox(this);
    editOffset->setObjectName(QStringLiteral("editOffset"));
    editOffset->setRange(-24 * 3600 * 1000, 24 * 3600 * 1000);
    editOffset->setSuffix(QStringLiteral(" ms"));
    editOffset->setToolTip(QStringLiteral("The music starts this long after the show; "
                                          "below 0 the show starts inside the music"));

    // A row of two fields gets no buddy from the form: the label names its own.
    auto* musicLabel = new QLabel(QStringLiteral("&Music file:"), this);
    musicLabel->setBuddy(editMusic);
    auto* form = new QFormLayout;
    form->addRow(musicLabel, fileRow);
    form->addRow(QStringLiteral("&Offset:"), editOffset);
    auto* note = new QLabel(QStringLiteral("WAV, FLAC, Ogg or MP3. The music starts the offset after the "
                                           "show; a negative offset starts the show inside the music."),
                            this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    bnCancel = buttons->button(QDialogButtonBox::Cancel);
    bnOK->setObjectName(QStringLiteral("bnOK"));
    bnCancel->setObjectName(QStringLiteral("bnCancel"));
    // Enter means OK, also right after Browse... had the focus.
    bnBrowse->setAutoDefault(false);
    bnOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    connect(bnBrowse, &QPushButton::clicked, this, &TFormSoundtrack::bnBrowseClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TFormSoundtrack::Fill(const TSoundtrack& soundtrack)
{
    Current = soundtrack;
    editMusic->setText(QDir::toNativeSeparators(soundtrack.MusicFile));
    editOffset->setValue(soundtrack.OffsetMs);
}

TSoundtrack TFormSoundtrack::Edited() const
{
    const QString file = editMusic->text().trimmed();
    TSoundtrack edited{file.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(file)).absoluteFilePath()),
                       editOffset->value()};
    // The corrected beats belong to the music: they stay with it and go with it.
    if (edited.MusicFile == Current.MusicFile)
        edited.Beats = Current.Beats;
    return edited;
}

void TFormSoundtrack::accept()
{
    // Another music file must be one the decoder reads: else the dialog stays open
    // with what was typed, and says why.
    const TSoundtrack edited = Edited();
    if (edited.IsSet() && edited.MusicFile != Current.MusicFile) {
        TMusicReader reader;
        if (!reader.Open(edited.MusicFile)) {
            Prompts.Tell(TMsgIcon::Error, reader.Error());
            editMusic->setFocus();
            editMusic->selectAll();
            return;
        }
    }
    QDialog::accept();
}

std::optional<TSoundtrack> TFormSoundtrack::Execute(const TSoundtrack& current)
{
    Fill(current);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Edited();
}

void TFormSoundtrack::bnBrowseClick()
{
    const QString current = editMusic->text().trimmed();
    const QString folder = current.isEmpty() ? StartFolder : QFileInfo(current).absolutePath();
    const QString file = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Choose the music..."), MusicFilter, QString(), folder, current});
    if (!file.isEmpty())
        editMusic->setText(QDir::toNativeSeparators(file));
}
