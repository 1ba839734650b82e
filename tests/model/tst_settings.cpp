#include "ProgramSettings.h"
#include "RecentFiles.h"
#include "SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString ProgramDir = QStringLiteral("/opt/skelmar");

// Every test starts from an empty INI file in its own folder, never the user's settings.
struct TStoreFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Skelmar.ini"));
    std::unique_ptr<QSettings> settings = Open();

    std::unique_ptr<QSettings> Open() const { return std::make_unique<QSettings>(path, QSettings::IniFormat); }
    // Writes to disk and starts over from the file, as the next run of the program would.
    void Reopen()
    {
        settings->sync();
        settings = Open();
    }
    TProgramSettings ReadAll()
    {
        TProgramSettings read;
        read.Read(TSettingsStore(*settings), ProgramDir);
        return read;
    }
};

// Settings with every value changed from its default.
TProgramSettings ChangedSettings()
{
    TProgramSettings s;
    s.OpenDir = QString::fromUtf8("/home/j\xc3\xbcrgen/shows, old/");
    s.SaveDir = QStringLiteral("C:\\Shows\\");
    bool TDisplaySwitches::*const switches[] = {
        &TDisplaySwitches::ShowPoints, &TDisplaySwitches::ShowNumbers, &TDisplaySwitches::ShowBackframe,
        &TDisplaySwitches::ShowLinks,  &TDisplaySwitches::ShowRound,   &TDisplaySwitches::ShowGrid,
        &TDisplaySwitches::SnapGrid,   &TDisplaySwitches::SnapHelp,    &TDisplaySwitches::ShowRuler,
        &TDisplaySwitches::FlipX,      &TDisplaySwitches::FlipY,       &TDisplaySwitches::CloseLoop,
        &TDisplaySwitches::RepeatPlay, &TDisplaySwitches::LivePreview};
    for (auto member : switches)
        s.Switches.*member = !(s.Switches.*member);
    s.Image = 1;
    s.Zoom = 8;
    s.Grid = 24;
    s.Circles = 1;
    s.Window = QRect(-8, 40, 1015, 835);
    for (int n = 0; n < 5; ++n)
        s.LastFile[n] = QStringLiteral("/shows/file %1.RZ4").arg(n);
    int shade = 1;
    auto next = [&shade] { ++shade; return QColor(shade, 255 - shade, shade * 3); };
    for (QColor* pair : {s.Colors.Norm, s.Colors.Real, s.Colors.Back, s.Colors.Sel, s.Colors.Link}) {
        pair[0] = next();
        pair[1] = next();
    }
    s.Colors.Name[0] = QStringLiteral("&Green");
    s.Colors.Name[1] = QString::fromUtf8("Gr\xc3\xbcn && &Blau");
    for (QColor* color : {&s.Colors.ThumbText, &s.Colors.Background, &s.Colors.HelpLines, &s.Colors.Rotation,
                          &s.Colors.TimelineLines, &s.Colors.TimelineAreas, &s.Colors.TimelineText,
                          &s.Colors.TimelineBackground})
        *color = next();
    s.Time5Degree = 1;
    s.Time10Degree = 65535;
    s.Time40Degree = 0;
    s.TimeEdges = 300;
    return s;
}

QString Group(const QString& key) { return key.section(QLatin1Char('/'), 0, -2); }
QString Name(const QString& key) { return key.section(QLatin1Char('/'), -1); }

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void firstRunDefaults();
    void defaultsAsStored_data();
    void defaultsAsStored();
    void roundTripKeepsEveryValue();
    void namesMatchWithoutRegardToCase_data();
    void namesMatchWithoutRegardToCase();
    void writeReplacesOtherSpelling();
    void readInteger_data();
    void readInteger();
    void wrongTypesGiveDefaults();
    void storedValueRules_data();
    void storedValueRules();
    void colorConversion();
    void panelBytes();

    void recentDesignedCaptions();
    void recentSixFilesDropTheFirst();
    void recentListedFileDoesNotMove_data();
    void recentListedFileDoesNotMove();
    void recentMissingFileHiddenAndShiftKeepsVisibility();
    void recentFilesSurviveRestart();
};

void TestSettings::firstRunDefaults()
{
    TStoreFixture f;
    const TProgramSettings s = f.ReadAll();
    QCOMPARE(s.OpenDir, ProgramDir + '/');
    QCOMPARE(s.SaveDir, ProgramDir + '/');
    QCOMPARE(s.Colors.Name[0], QStringLiteral("&Red"));
    QCOMPARE(s.Colors.Name[1], QStringLiteral("&Blue"));
    QCOMPARE(s.Window, QRect(0, 0, 662, 579));
    QCOMPARE(s.Zoom, 2);
    QCOMPARE(s.Grid, 16);
    QCOMPARE(s.Circles, 3);
    QCOMPARE(s.Image, 0);
    for (const QString& file : s.LastFile)
        QVERIFY(file.isEmpty());

    // Reading writes nothing, and a folder given with its separator keeps just one.
    QVERIFY(f.settings->allKeys().isEmpty());
    TProgramSettings again;
    again.Read(TSettingsStore(*f.settings), ProgramDir + '/');
    QCOMPARE(again, s);
}

// The defaults as they are stored, in the 0x00BBGGRR form.
void TestSettings::defaultsAsStored_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    const QList<std::pair<const char*, QVariant>> rows = {
        {"OpenDir", "/opt/skelmar/"}, {"ShowPoints", 1}, {"ShowNumbers", 1}, {"ShowBackframe", 1}, {"ShowLinks", 1},
        {"ShowRound", 0}, {"ShowGrid", 1}, {"SnapGrid", 1}, {"SnapHelp", 0}, {"ShowRuler", 0}, {"FlipX", 0},
        {"FlipY", 0}, {"CloseLoop", 1}, {"RepeatPlay", 1}, {"LivePreview", 1}, {"Image", 0}, {"Zoom", 2},
        {"Grid", 16}, {"Circles", 3}, {"WinLeft", 0}, {"WinTop", 0}, {"WinWidth", 662}, {"WinHeight", 579},
        {"Lastfile0", ""},
        {"Colors/Norm0", 0x0000FF}, {"Colors/Norm1", 0xFF0000}, {"Colors/Real0", 0x4080FF},
        {"Colors/Real1", 0xFF8080}, {"Colors/Back0", 0x000080}, {"Colors/Back1", 0xA00000},
        {"Colors/Sel0", 0x008000}, {"Colors/Sel1", 0x008000}, {"Colors/Link0", 0x00FFFF},
        {"Colors/Link1", 0x00FFFF}, {"Colors/Name0", "&Red"}, {"Colors/Name1", "&Blue"},
        {"Colors/ThumbText", 0x00FF00}, {"Colors/Background", 0}, {"Colors/HelpLines", 0x00FF00},
        {"Colors/Rotation", 0xFFFF00}, {"Colors/TimelineLines", 0x0000FF}, {"Colors/TimelineAreas", 0x404080},
        {"Colors/TimelineText", 0x00FF00}, {"Colors/TimelineBackground", 0x004000},
        {"Colors/Time5Degree", 30}, {"Colors/Time10Degree", 55}, {"Colors/Time40Degree", 66},
        {"Colors/TimeEdges", 30},
    };
    for (const auto& [key, stored] : rows)
        QTest::newRow(key) << QString::fromLatin1(key) << stored;
}

void TestSettings::defaultsAsStored()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    TStoreFixture f;
    TSettingsStore store(*f.settings);
    f.ReadAll().Write(store);
    f.Reopen();
    // INI keeps every value as text.
    QCOMPARE(f.settings->value(key), QVariant(stored.toString()));
}

void TestSettings::roundTripKeepsEveryValue()
{
    TStoreFixture f;
    const TProgramSettings written = ChangedSettings();
    TSettingsStore store(*f.settings);
    written.Write(store);
    QVERIFY(store.Sync());
    f.Reopen();
    const TProgramSettings read = f.ReadAll();
    QCOMPARE(read.OpenDir, written.OpenDir);
    QCOMPARE(read.Colors.Name[1], written.Colors.Name[1]);
    QCOMPARE(read.Window, written.Window);
    QVERIFY(read.Switches == written.Switches);
    QVERIFY(read.Colors == written.Colors);
    QVERIFY(read == written);

    // Writing what was read changes nothing.
    f.Reopen();
    TSettingsStore again(*f.settings);
    const QStringList keys = f.settings->allKeys();
    read.Write(again);
    QCOMPARE(f.settings->allKeys(), keys);
    QVERIFY(f.ReadAll() == written);
}

// The program reads "LastFile0" but writes "Lastfile0"; other stores may spell
// groups and names otherwise.
void TestSettings::namesMatchWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("storedKey");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::newRow("Lastfile0 read as LastFile0") << "Lastfile0" << "" << "LastFile0";
    QTest::newRow("upper case") << "LASTFILE3" << "" << "LastFile3";
    QTest::newRow("group spelt otherwise") << "colors/name0" << "Colors" << "Name0";
}

void TestSettings::namesMatchWithoutRegardToCase()
{
    QFETCH(QString, storedKey);
    QFETCH(QString, group);
    QFETCH(QString, name);
    TStoreFixture f;
    f.settings->setValue(storedKey, QStringLiteral("/shows/party.RZ4"));
    f.Reopen();
    TSettingsStore store(*f.settings);
    QCOMPARE(store.ReadText(group, name, QStringLiteral("default")), QStringLiteral("/shows/party.RZ4"));

    // Rewriting under the program's spelling leaves one value, which reads back.
    store.WriteText(group, name, QStringLiteral("/shows/other.RZ4"));
    f.Reopen();
    QCOMPARE(f.settings->allKeys().size(), 1);
    QCOMPARE(TSettingsStore(*f.settings).ReadText(group, name, QString()), QStringLiteral("/shows/other.RZ4"));
}

void TestSettings::writeReplacesOtherSpelling()
{
    TStoreFixture f;
    TSettingsStore store(*f.settings);
    TProgramSettings s;
    s.LastFile[0] = QStringLiteral("/shows/first.RZ4");
    s.Write(store);
    f.Reopen();
    TProgramSettings next = f.ReadAll();
    QCOMPARE(next.LastFile[0], QStringLiteral("/shows/first.RZ4"));

    // Second close: a new file on top. The old spelling must not survive beside it.
    next.LastFile[0] = QStringLiteral("/shows/second.RZ4");
    f.settings->setValue(QStringLiteral("LastFile0"), QStringLiteral("/shows/stale.RZ4"));
    f.settings->setValue(QStringLiteral("COLORS/norm0"), 0x123456);
    TSettingsStore again(*f.settings);
    next.Write(again);
    f.Reopen();
    QStringList lastFileKeys, norm0Keys;
    for (const QString& key : f.settings->allKeys()) {
        if (Name(key).compare(QStringLiteral("lastfile0"), Qt::CaseInsensitive) == 0)
            lastFileKeys << key;
        if (Name(key).compare(QStringLiteral("norm0"), Qt::CaseInsensitive) == 0)
            norm0Keys << key;
    }
    QCOMPARE(lastFileKeys, QStringList{QStringLiteral("Lastfile0")});
    QCOMPARE(norm0Keys.size(), 1);
    QCOMPARE(Group(norm0Keys[0]).compare(QStringLiteral("Colors"), Qt::CaseInsensitive), 0);
    const TProgramSettings read = f.ReadAll();
    QCOMPARE(read.LastFile[0], QStringLiteral("/shows/second.RZ4"));
    QCOMPARE(read.Colors.Norm[0], QColor(255, 0, 0));
}

void TestSettings::readInteger_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qint32>("expected");
    const qint32 def = 7;
    QTest::newRow("decimal") << QVariant(QStringLiteral("42")) << 42;
    QTest::newRow("negative") << QVariant(QStringLiteral("-5")) << -5;
    QTest::newRow("int, not yet synced") << QVariant(42) << 42;
    QTest::newRow("lowest") << QVariant(QStringLiteral("-2147483648")) << qint32(INT32_MIN);
    QTest::newRow("unsigned 32-bit reads as signed") << QVariant(QStringLiteral("4294967295")) << -1;
    QTest::newRow("beyond 32 bits") << QVariant(QStringLiteral("4294967296")) << def;
    QTest::newRow("below 32 bits") << QVariant(QStringLiteral("-2147483649")) << def;
    QTest::newRow("text") << QVariant(QStringLiteral("abc")) << def;
    QTest::newRow("empty") << QVariant(QString()) << def;
    QTest::newRow("fraction") << QVariant(QStringLiteral("12.5")) << def;
    QTest::newRow("hex") << QVariant(QStringLiteral("0x10")) << def;
    QTest::newRow("trailing text") << QVariant(QStringLiteral("12px")) << def;
    QTest::newRow("bytes") << QVariant(QByteArray("42")) << def;
    QTest::newRow("list") << QVariant(QStringList{QStringLiteral("1"), QStringLiteral("2")}) << def;
}

void TestSettings::readInteger()
{
    QFETCH(QVariant, stored);
    QFETCH(qint32, expected);
    for (const bool reopen : {false, true}) {
        TStoreFixture f;
        f.settings->setValue(QStringLiteral("Colors/Zoom"), stored);
        if (reopen)
            f.Reopen();
        QCOMPARE(TSettingsStore(*f.settings).ReadInteger(QStringLiteral("Colors"), QStringLiteral("zoom"), 7),
                 expected);
    }
}

// A store filled with values of the wrong type reads as a first run.
void TestSettings::wrongTypesGiveDefaults()
{
    TStoreFixture f;
    TSettingsStore store(*f.settings);
    ChangedSettings().Write(store);
    for (const QString& key : f.settings->allKeys()) {
        const bool isText = key.contains(QLatin1String("Dir")) || key.contains(QLatin1String("file"))
                         || key.contains(QLatin1String("Name"));
        f.settings->setValue(key, isText ? QVariant(QByteArray("\x01\x02", 2)) : QVariant(QStringLiteral("on")));
    }
    f.Reopen();
    TProgramSettings expected;
    expected.OpenDir = expected.SaveDir = ProgramDir + '/';
    QVERIFY(f.ReadAll() == expected);
}

void TestSettings::storedValueRules_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("Zoom 9") << "Zoom" << 9 << 2;
    QTest::newRow("Zoom 0") << "Zoom" << 0 << 2;
    QTest::newRow("Zoom 1") << "Zoom" << 1 << 1;
    QTest::newRow("Zoom 8") << "Zoom" << 8 << 8;
    QTest::newRow("Circles 0") << "Circles" << 0 << 3;
    QTest::newRow("Circles 9") << "Circles" << 9 << 3;
    QTest::newRow("Circles 8") << "Circles" << 8 << 8;
    QTest::newRow("Image 5") << "Image" << 5 << 2;
    QTest::newRow("Image -1") << "Image" << -1 << 2;
    QTest::newRow("Image 1") << "Image" << 1 << 1;
    QTest::newRow("Grid 24") << "Grid" << 24 << 24;
    QTest::newRow("Grid -3") << "Grid" << -3 << -3;
    QTest::newRow("Time5Degree 70000") << "Colors/Time5Degree" << 70000 << 4464;
    QTest::newRow("TimeEdges 65536") << "Colors/TimeEdges" << 65536 << 0;
    QTest::newRow("Time40Degree -1") << "Colors/Time40Degree" << -1 << 65535;
    QTest::newRow("ShowRound 2") << "ShowRound" << 2 << 1;
    QTest::newRow("ShowPoints 0") << "ShowPoints" << 0 << 0;
}

void TestSettings::storedValueRules()
{
    QFETCH(QString, key);
    QFETCH(int, stored);
    QFETCH(int, expected);
    TStoreFixture f;
    f.settings->setValue(key, stored);
    f.Reopen();
    const TProgramSettings s = f.ReadAll();
    const QHash<QString, int> read = {
        {"Zoom", s.Zoom}, {"Circles", s.Circles}, {"Image", s.Image}, {"Grid", s.Grid},
        {"Colors/Time5Degree", s.Time5Degree}, {"Colors/TimeEdges", s.TimeEdges},
        {"Colors/Time40Degree", s.Time40Degree}, {"ShowRound", s.Switches.ShowRound},
        {"ShowPoints", s.Switches.ShowPoints},
    };
    QVERIFY(read.contains(key));
    QCOMPARE(read.value(key), expected);
}

void TestSettings::colorConversion()
{
    QCOMPARE(ColorFromStored(0x4080FF), QColor(255, 128, 64));
    QCOMPARE(StoredFromColor(QColor(255, 128, 64)), 0x4080FF);
    // A system-colour high byte is not part of the colour.
    QCOMPARE(ColorFromStored(qint32(0xFF00FF00)), QColor(0, 255, 0));
    QCOMPARE(StoredFromColor(QColor::fromHsv(240, 255, 255)), 0xFF0000);
}

// The tool bar layout is opaque binary data under "Panels".
void TestSettings::panelBytes()
{
    TStoreFixture f;
    const QByteArray layout("\0\xff\x01layout\n=,;", 13);
    TSettingsStore(*f.settings).WriteBytes(QStringLiteral("Panels"), QStringLiteral("State"), layout);
    f.settings->setValue(QStringLiteral("Panels/Text"), QStringLiteral("not bytes"));
    f.Reopen();
    const TSettingsStore store(*f.settings);
    QCOMPARE(store.ReadBytes(QStringLiteral("panels"), QStringLiteral("state")), layout);
    QCOMPARE(store.ReadBytes(QStringLiteral("Panels"), QStringLiteral("Text")), QByteArray());
    QCOMPARE(store.ReadBytes(QStringLiteral("Panels"), QStringLiteral("Missing")), QByteArray());
}

void TestSettings::recentDesignedCaptions()
{
    const TRecentFiles recent;
    const QStringList captions = {"&0 Logo.RZ4", "&1", "&2", "&3", "&4"};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(recent.Caption(n), captions[n]);
        QVERIFY(recent.Visible(n));
    }
    QCOMPARE(recent.FileAt(0), QStringLiteral("Logo.RZ4"));
    QCOMPARE(recent.FileAt(1), QString());
    QCOMPARE(recent.Caption(5), QString());
    QVERIFY(!recent.Visible(-1));
}

void TestSettings::recentSixFilesDropTheFirst()
{
    TRecentFiles recent;
    for (int i = 1; i <= 6; ++i)
        QVERIFY(recent.Add(QStringLiteral("/shows/s%1.RZ4").arg(i)));
    const QStringList captions = {"&0 /shows/s6.RZ4", "&1 /shows/s5.RZ4", "&2 /shows/s4.RZ4",
                                  "&3 /shows/s3.RZ4", "&4 /shows/s2.RZ4"};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(recent.Caption(n), captions[n]);
        QCOMPARE(recent.FileAt(n), captions[n].mid(3));
        QVERIFY(recent.Visible(n));
    }
}

// A name that occurs anywhere in a caption counts as listed, shown or hidden.
void TestSettings::recentListedFileDoesNotMove_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("listed file") << "/shows/a.RZ4";
    QTest::newRow("part of a listed path") << "a.RZ4";
    QTest::newRow("hidden designed entry") << "Logo.RZ4";
    QTest::newRow("entry listed at start") << "/shows/c.RZ4";
}

void TestSettings::recentListedFileDoesNotMove()
{
    QFETCH(QString, fileName);
    TRecentFiles recent;
    const QString stored[5] = {"/shows/gone.RZ4", "/shows/c.RZ4", "", "", ""};
    recent.Load(stored, [](const QString& name) { return name != QLatin1String("/shows/gone.RZ4"); });
    QCOMPARE(recent.Caption(0), QStringLiteral("&0 Logo.RZ4"));
    QVERIFY(recent.Add(QStringLiteral("/shows/b.RZ4")));
    QVERIFY(recent.Add(QStringLiteral("/shows/a.RZ4")));
    QVERIFY(!recent.Visible(2));
    const TRecentFiles before = recent;
    QVERIFY(!recent.Add(fileName));
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(recent.Caption(n), before.Caption(n));
        QCOMPARE(recent.Visible(n), before.Visible(n));
    }
}

void TestSettings::recentMissingFileHiddenAndShiftKeepsVisibility()
{
    TRecentFiles recent;
    const QString stored[5] = {"/gone/a.RZ4", "/here/b.RZ4", "/gone/c.RZ4", "", "/here/e.RZ4"};
    recent.Load(stored, [](const QString& name) { return name.startsWith(QLatin1String("/here/")); });
    const QStringList captions = {"&0 Logo.RZ4", "&1 /here/b.RZ4", "&2", "&3", "&4 /here/e.RZ4"};
    const QList<bool> visible = {false, true, false, false, true};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(recent.Caption(n), captions[n]);
        QCOMPARE(recent.Visible(n), visible[n]);
    }

    // At close the hidden items write their designed captions, so the missing files drop out.
    const QStringList written = {"Logo.RZ4", "/here/b.RZ4", "", "", "/here/e.RZ4"};
    for (int n = 0; n < 5; ++n)
        QCOMPARE(recent.FileAt(n), written[n]);

    // Shifting moves each caption with its visibility and renumbers it.
    QVERIFY(recent.Add(QStringLiteral("/here/new.RZ4")));
    const QStringList shifted = {"&0 /here/new.RZ4", "&1 Logo.RZ4", "&2 /here/b.RZ4", "&3", "&4"};
    const QList<bool> shiftedVisible = {true, false, true, false, false};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(recent.Caption(n), shifted[n]);
        QCOMPARE(recent.Visible(n), shiftedVisible[n]);
    }
}

// Close, start again: the list comes back, and a file deleted in between drops out.
void TestSettings::recentFilesSurviveRestart()
{
    TStoreFixture f;
    const auto exists = [](const QString& name) { return QFileInfo::exists(name); };
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << f.dir.filePath(QStringLiteral("show %1.RZ4").arg(i));
        QFile file(files.last());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    for (int run = 0; run < 3; ++run) {
        TProgramSettings s = f.ReadAll();
        TRecentFiles recent;
        recent.Load(s.LastFile, exists);
        if (run == 0) {
            for (const QString& file : files)
                QVERIFY(recent.Add(file));
        } else if (run == 1) {
            QCOMPARE(recent.Caption(0), "&0 " + files[2]);
            QCOMPARE(recent.Caption(1), "&1 " + files[1]);
            QCOMPARE(recent.Caption(2), "&2 " + files[0]);
            QVERIFY(recent.Visible(2));
            QVERIFY(QFile::remove(files[1]));
        } else {
            QCOMPARE(recent.Caption(0), "&0 " + files[2]);
            QVERIFY(!recent.Visible(1));
            QCOMPARE(recent.FileAt(1), QString());
            QCOMPARE(recent.Caption(2), "&2 " + files[0]);
        }
        for (int n = 0; n < 5; ++n)
            s.LastFile[n] = recent.FileAt(n);
        TSettingsStore store(*f.settings);
        s.Write(store);
        f.Reopen();
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
