#include "ProgramSettings.h"

#include "SettingsStore.h"

#include <QDir>

namespace {

const QString MainKey;
const QString ColorsKey = QStringLiteral("Colors");

// The switches in their stored order.
struct TSwitchEntry {
    const char* name;
    bool TDisplaySwitches::*member;
};
constexpr TSwitchEntry SwitchTable[] = {
    {"ShowPoints", &TDisplaySwitches::ShowPoints},   {"ShowNumbers", &TDisplaySwitches::ShowNumbers},
    {"ShowBackframe", &TDisplaySwitches::ShowBackframe}, {"ShowLinks", &TDisplaySwitches::ShowLinks},
    {"ShowRound", &TDisplaySwitches::ShowRound},     {"ShowGrid", &TDisplaySwitches::ShowGrid},
    {"SnapGrid", &TDisplaySwitches::SnapGrid},       {"SnapHelp", &TDisplaySwitches::SnapHelp},
    {"ShowRuler", &TDisplaySwitches::ShowRuler},     {"FlipX", &TDisplaySwitches::FlipX},
    {"FlipY", &TDisplaySwitches::FlipY},             {"CloseLoop", &TDisplaySwitches::CloseLoop},
    {"RepeatPlay", &TDisplaySwitches::RepeatPlay},   {"LivePreview", &TDisplaySwitches::LivePreview},
};

// The colours of "Colors" up to the names, in their stored order.
struct TPairEntry {
    const char* name;
    QColor (TColorSettings::*member)[2];
};
constexpr TPairEntry PairTable[] = {
    {"Norm", &TColorSettings::Norm}, {"Real", &TColorSettings::Real}, {"Back", &TColorSettings::Back},
    {"Sel", &TColorSettings::Sel},   {"Link", &TColorSettings::Link},
};

// The colours after the names, in their stored order.
struct TColorEntry {
    const char* name;
    QColor TColorSettings::*member;
};
constexpr TColorEntry ColorTable[] = {
    {"ThumbText", &TColorSettings::ThumbText},
    {"Background", &TColorSettings::Background},
    {"HelpLines", &TColorSettings::HelpLines},
    {"Rotation", &TColorSettings::Rotation},
    {"TimelineLines", &TColorSettings::TimelineLines},
    {"TimelineAreas", &TColorSettings::TimelineAreas},
    {"TimelineText", &TColorSettings::TimelineText},
    {"TimelineBackground", &TColorSettings::TimelineBackground},
};

struct TDelayEntry {
    const char* name;
    quint16 TProgramSettings::*member;
};
constexpr TDelayEntry DelayTable[] = {
    {"Time5Degree", &TProgramSettings::Time5Degree},
    {"Time10Degree", &TProgramSettings::Time10Degree},
    {"Time40Degree", &TProgramSettings::Time40Degree},
    {"TimeEdges", &TProgramSettings::TimeEdges},
};

QString Indexed(const char* name, int n) { return QLatin1String(name) + QString::number(n); }

int InRangeOr(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

QString WithSeparator(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) || dir.endsWith(QDir::separator()) ? dir : dir + QLatin1Char('/');
}

// A window coordinate. QRect overflows on edges near the integer limits, so absurd
// stored values are pulled in far beyond any screen, yet within its arithmetic.
int ReadExtent(const TSettingsStore& store, const QString& name, int def)
{
    constexpr int limit = 1 << 24;
    return qBound(-limit, int(store.ReadInteger(MainKey, name, def)), limit);
}

QColor ReadColor(const TSettingsStore& store, const QString& name, const QColor& def)
{
    return ColorFromStored(store.ReadInteger(ColorsKey, name, StoredFromColor(def)));
}

} // namespace

void TProgramSettings::Read(const TSettingsStore& store, const QString& programDir)
{
    *this = TProgramSettings(); // the built-in values are the defaults of every read
    const QString defaultDir = WithSeparator(programDir);
    OpenDir = store.ReadText(MainKey, QStringLiteral("OpenDir"), defaultDir);
    SaveDir = store.ReadText(MainKey, QStringLiteral("SaveDir"), defaultDir);
    for (const TSwitchEntry& entry : SwitchTable)
        Switches.*entry.member = store.ReadSwitch(MainKey, QLatin1String(entry.name), Switches.*entry.member);
    const int image = store.ReadInteger(MainKey, QStringLiteral("Image"), 0);
    Image = image == 0 || image == 1 ? image : 2;
    Zoom = InRangeOr(store.ReadInteger(MainKey, QStringLiteral("Zoom"), 2), 1, 8, 2);
    Grid = store.ReadInteger(MainKey, QStringLiteral("Grid"), 16);
    Circles = InRangeOr(store.ReadInteger(MainKey, QStringLiteral("Circles"), 3), 1, 8, 3);
    Window.setRect(ReadExtent(store, QStringLiteral("WinLeft"), 0), ReadExtent(store, QStringLiteral("WinTop"), 0),
                   ReadExtent(store, QStringLiteral("WinWidth"), 662),
                   ReadExtent(store, QStringLiteral("WinHeight"), 579));
    for (int n = 0; n < 5; ++n)
        LastFile[n] = store.ReadText(MainKey, Indexed("LastFile", n), QString());

    for (const TPairEntry& entry : PairTable)
        for (int n = 0; n < 2; ++n) {
            QColor& color = (Colors.*entry.member)[n];
            color = ReadColor(store, Indexed(entry.name, n), color);
        }
    for (int n = 0; n < 2; ++n)
        Colors.Name[n] = store.ReadText(ColorsKey, Indexed("Name", n), Colors.Name[n]);
    for (const TColorEntry& entry : ColorTable)
        Colors.*entry.member = ReadColor(store, QLatin1String(entry.name), Colors.*entry.member);
    // The delays are held as 16 bits: a larger stored number keeps its low 16 bits.
    for (const TDelayEntry& entry : DelayTable)
        this->*entry.member = quint16(store.ReadInteger(ColorsKey, QLatin1String(entry.name), this->*entry.member));
}

void TProgramSettings::Write(TSettingsStore& store) const
{
    store.WriteText(MainKey, QStringLiteral("OpenDir"), OpenDir);
    store.WriteText(MainKey, QStringLiteral("SaveDir"), SaveDir);
    for (const TSwitchEntry& entry : SwitchTable)
        store.WriteSwitch(MainKey, QLatin1String(entry.name), Switches.*entry.member);
    if (Image >= 0 && Image <= 2)
        store.WriteInteger(MainKey, QStringLiteral("Image"), Image);
    store.WriteInteger(MainKey, QStringLiteral("Zoom"), Zoom);
    store.WriteInteger(MainKey, QStringLiteral("Grid"), Grid);
    store.WriteInteger(MainKey, QStringLiteral("Circles"), Circles);
    store.WriteInteger(MainKey, QStringLiteral("WinLeft"), Window.left());
    store.WriteInteger(MainKey, QStringLiteral("WinTop"), Window.top());
    store.WriteInteger(MainKey, QStringLiteral("WinWidth"), Window.width());
    store.WriteInteger(MainKey, QStringLiteral("WinHeight"), Window.height());
    for (int n = 0; n < 5; ++n)
        store.WriteText(MainKey, Indexed("Lastfile", n), LastFile[n]);

    for (const TPairEntry& entry : PairTable)
        for (int n = 0; n < 2; ++n)
            store.WriteInteger(ColorsKey, Indexed(entry.name, n), StoredFromColor((Colors.*entry.member)[n]));
    for (int n = 0; n < 2; ++n)
        store.WriteText(ColorsKey, Indexed("Name", n), Colors.Name[n]);
    for (const TColorEntry& entry : ColorTable)
        store.WriteInteger(ColorsKey, QLatin1String(entry.name), StoredFromColor(Colors.*entry.member));
    for (const TDelayEntry& entry : DelayTable)
        store.WriteInteger(ColorsKey, QLatin1String(entry.name), this->*entry.member);
}
