#include "FormUnitSoundOutputs.h"

#include "SettingsStore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString OutputsGroup = QStringLiteral("SoundOutputs");

// The outputs present, each by its name; outputs sharing a name show their device
// id as well (two "Null Output"s are otherwise one and the same to the eye).
void FillCombo(QComboBox* combo, const QList<QPair<QString, QString>>& fixed, const QString& chosen)
{
    combo->clear();
    for (const auto& [text, id] : fixed)
        combo->addItem(text, id);
    const QList<QAudioDevice> devices = QMediaDevices::audioOutputs();
    for (const QAudioDevice& device : devices) {
        const QString id = QString::fromUtf8(device.id());
        const bool shared = std::count_if(devices.begin(), devices.end(), [&](const QAudioDevice& other) {
                                return other.description() == device.description();
                            }) > 1;
        combo->addItem(shared ? QStringLiteral("%1 (%2)").arg(device.description(), id) : device.description(), id);
        combo->setItemData(combo->count() - 1, id, Qt::ToolTipRole);
    }
    int index = combo->findData(chosen);
    if (index < 0) {
        combo->addItem(QStringLiteral("%1 (not present)").arg(chosen), chosen);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

const QString NoteText = QStringLiteral("The music needs an output of its own: mixed into the laser's "
                                        "output it would move the scanners.");

} // namespace

void TSoundOutputs::Read(const TSettingsStore& store)
{
    Laser = store.ReadText(OutputsGroup, QStringLiteral("Laser"), QString());
    Music = store.ReadText(OutputsGroup, QStringLiteral("Music"), QString());
}

void TSoundOutputs::Write(TSettingsStore& store) const
{
    store.WriteText(OutputsGroup, QStringLiteral("Laser"), Laser);
    store.WriteText(OutputsGroup, QStringLiteral("Music"), Music);
}

QAudioDevice FindAudioOutput(const QString& id)
{
    if (id.isEmpty())
        return QAudioDevice();
    for (const QAudioDevice& device : QMediaDevices::audioOutputs())
        if (device.id() == id.toUtf8())
            return device;
    return QAudioDevice();
}

QAudioDevice LaserOutput(const TSoundOutputs& outputs)
{
    const QAudioDevice chosen = FindAudioOutput(outputs.Laser);
    return chosen.isNull() ? QMediaDevices::defaultAudioOutput() : chosen;
}

QAudioDevice MusicOutput(const TSoundOutputs& outputs)
{
    if (outputs.Music == TSoundOutputs::NoMusic)
        return QAudioDevice();
    if (!outputs.Music.isEmpty())
        return FindAudioOutput(outputs.Music);
    const QAudioDevice system = QMediaDevices::defaultAudioOutput();
    return system.id() == LaserOutput(outputs).id() ? QAudioDevice() : system;
}

QString MusicOutputRefusal(const TSoundOutputs& outputs)
{
    if (outputs.Music.isEmpty() || outputs.Music == TSoundOutputs::NoMusic)
        return {};
    const QAudioDevice music = FindAudioOutput(outputs.Music);
    if (music.isNull() || music.id() != LaserOutput(outputs).id())
        return {};
    return QStringLiteral("The music cannot play on the laser's output: mixed into the laser signal "
                          "it would move the scanners. Choose another output for the music.");
}

TFormSoundOutputs::TFormSoundOutputs(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSoundOutputs"));
    setWindowTitle(QStringLiteral("Sound outputs"));
    cbLaser = new QComboBox(this);
    cbLaser->setObjectName(QStringLiteral("cbLaser"));
    cbMusic = new QComboBox(this);
    cbMusic->setObjectName(QStringLiteral("cbMusic"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Laser signal:"), cbLaser);
    form->addRow(QStringLiteral("&Music:"), cbMusic);
    stNote = new QLabel(NoteText, this);
    stNote->setObjectName(QStringLiteral("stNote"));
    stNote->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(stNote);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbLaser, &QComboBox::currentIndexChanged, this, &TFormSoundOutputs::ChoiceChanged);
    connect(cbMusic, &QComboBox::currentIndexChanged, this, &TFormSoundOutputs::ChoiceChanged);
}

void TFormSoundOutputs::Fill(const TSoundOutputs& outputs)
{
    FillCombo(cbLaser, {{QStringLiteral("System default output"), QString()}}, outputs.Laser);
    FillCombo(cbMusic,
              {{QStringLiteral("System default output"), QString()}, {QStringLiteral("No music"), TSoundOutputs::NoMusic}},
              outputs.Music);
    ChoiceChanged();
}

TSoundOutputs TFormSoundOutputs::Chosen() const
{
    return TSoundOutputs{cbLaser->currentData().toString(), cbMusic->currentData().toString()};
}

// The laser's own output is refused for the music here, with the reason, rather
// than found out at Play.
void TFormSoundOutputs::ChoiceChanged()
{
    const TSoundOutputs chosen = Chosen();
    const QString refusal = MusicOutputRefusal(chosen);
    bnOK->setEnabled(refusal.isEmpty());
    if (!refusal.isEmpty())
        stNote->setText(refusal);
    else if (chosen.Music.isEmpty() && MusicOutput(chosen).isNull())
        stNote->setText(QStringLiteral("The system's default output carries the laser signal: the music is "
                                       "not played until it has an output of its own."));
    else
        stNote->setText(NoteText);
    // An open window does not grow by itself for a longer note: the reason would be cut off.
    if (isVisible()) {
        layout()->activate();
        const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                         : layout()->totalSizeHint().height();
        if (needed > height())
            resize(width(), needed);
    }
}

bool TFormSoundOutputs::Execute(TSoundOutputs& outputs)
{
    Fill(outputs);
    if (exec() != QDialog::Accepted)
        return false;
    outputs = Chosen();
    return true;
}
