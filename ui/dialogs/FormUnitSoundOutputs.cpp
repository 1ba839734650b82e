#include "FormUnitSoundOutputs.h"

#include "SettingsStore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString OutputsGroup = QStringLiteral("SoundOutputs");

void FillCombo(QComboBox* combo, const QString& noneText, const QString& chosen)
{
    combo->clear();
    combo->addItem(noneText, QString());
    for (const QAudioDevice& device : QMediaDevices::audioOutputs())
        combo->addItem(device.description(), QString::fromUtf8(device.id()));
    int index = combo->findData(chosen);
    if (index < 0) {
        combo->addItem(QStringLiteral("%1 (not present)").arg(chosen), chosen);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

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
    auto* note = new QLabel(QStringLiteral("The music needs an output of its own: mixed into the laser's "
                                           "output it would move the scanners."),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    bnOK = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TFormSoundOutputs::Fill(const TSoundOutputs& outputs)
{
    FillCombo(cbLaser, QStringLiteral("System default output"), outputs.Laser);
    FillCombo(cbMusic, QStringLiteral("No music"), outputs.Music);
}

TSoundOutputs TFormSoundOutputs::Chosen() const
{
    return TSoundOutputs{cbLaser->currentData().toString(), cbMusic->currentData().toString()};
}

bool TFormSoundOutputs::Execute(TSoundOutputs& outputs)
{
    Fill(outputs);
    if (exec() != QDialog::Accepted)
        return false;
    outputs = Chosen();
    return true;
}
