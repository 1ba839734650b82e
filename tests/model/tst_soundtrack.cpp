// The soundtrack file beside a show: relative paths that survive moving the
// show and its music together, and damaged or unwritable files that lose nothing.
#include "ChildRun.h"
#include "Soundtrack.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

Q_DECLARE_METATYPE(std::optional<TBeatGrid>)

class TestSoundtrack : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return QDir::cleanPath(Dir.path() + '/' + name); }
    void WriteBytes(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(name).absolutePath());
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void storesThePathRelativeToTheShow_data();
    void storesThePathRelativeToTheShow();
    void movingBothKeepsTheLink();
    void correctedBeatsRoundTrip_data();
    void correctedBeatsRoundTrip();
    void damagedFilesAreRefusedAndChangeNothing_data();
    void damagedFilesAreRefusedAndChangeNothing();
    void noFileIsNoSoundtrack();
    void failedWriteNamesTheFileAndKeepsTheOldOne();
    void removeLeavesNoFile();
    void oddNamesRoundTrip_data();
    void oddNamesRoundTrip();
};

void TestSoundtrack::storesThePathRelativeToTheShow_data()
{
    QTest::addColumn<QString>("show");
    QTest::addColumn<QString>("music");
    QTest::addColumn<QString>("stored");
    QTest::newRow("same folder") << "a/party.RZ4" << "a/party.mp3" << "party.mp3";
    QTest::newRow("sub folder") << "a/party.RZ4" << "a/music/beat.flac" << "music/beat.flac";
    QTest::newRow("sibling folder") << "shows/party.RZ4" << "music/x y/beat.ogg" << "../music/x y/beat.ogg";
    // Qt takes a name beginning with ':' for one of its resources.
    QTest::newRow("a name beginning with a colon") << "a/party.RZ4" << "a/:intro.wav" << "./:intro.wav";
    QTest::newRow("colons in folders") << ":a/:party.RZ4" << ":a/:b/:intro.wav" << "./:b/:intro.wav";
}

void TestSoundtrack::storesThePathRelativeToTheShow()
{
    QFETCH(QString, show);
    QFETCH(QString, music);
    QFETCH(QString, stored);
    const TSoundtrack s{Path(music), -250};
    QVERIFY(QDir().mkpath(QFileInfo(Path(show)).path()));
    QVERIFY(WriteSoundtrackFile(Path(show), s).ok);
    QVERIFY(QFileInfo::exists(Path(show) + ".soundtrack"));

    QFile f(SoundtrackFileName(Path(show)));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(f.readAll()).object();
    QCOMPARE(json.value("music").toString(), stored);
    QCOMPARE(json.value("offsetMs").toInt(), -250);

    TSoundtrack read;
    const TSoundtrackFileResult r = ReadSoundtrackFile(Path(show), read);
    QVERIFY2(r.outcome.ok, qPrintable(r.outcome.message));
    QVERIFY(!r.missing);
    QCOMPARE(read, s);

    // The same soundtrack saved with the show somewhere else points to the same music.
    const QString elsewhere = Path("elsewhere/deeper/copy.RZ4");
    QDir().mkpath(QFileInfo(elsewhere).path());
    QVERIFY(WriteSoundtrackFile(elsewhere, s).ok);
    TSoundtrack again;
    QVERIFY(ReadSoundtrackFile(elsewhere, again).outcome.ok);
    QCOMPARE(again.MusicFile, s.MusicFile);
}

void TestSoundtrack::movingBothKeepsTheLink()
{
    const QString show = Path("project/show.RZ4");
    QDir().mkpath(Path("project/audio"));
    WriteBytes(Path("project/audio/song.wav"), "x");
    QVERIFY(WriteSoundtrackFile(show, {Path("project/audio/song.wav"), 40}).ok);
    QVERIFY(QDir().rename(Path("project"), Path("moved")));
    TSoundtrack read;
    QVERIFY(ReadSoundtrackFile(Path("moved/show.RZ4"), read).outcome.ok);
    QCOMPARE(read.MusicFile, Path("moved/audio/song.wav"));
    QVERIFY(QFileInfo::exists(read.MusicFile));
    QCOMPARE(read.OffsetMs, 40);
}

void TestSoundtrack::correctedBeatsRoundTrip_data()
{
    QTest::addColumn<std::optional<TBeatGrid>>("beats");
    QTest::newRow("none: the tracker's") << std::optional<TBeatGrid>();
    QTest::newRow("every beat removed") << std::optional<TBeatGrid>(TBeatGrid{});
    // Times that no short decimal writes exactly come back to the bit.
    QTest::newRow("odd times, third beat first")
        << std::optional<TBeatGrid>(TBeatGrid{{0.1 + 0.2, 1.0 / 3, 0.7, 12.345678901234567, 3599.9999773242631}, 2});
}

// The beats the user corrected are kept with the soundtrack, exactly; a file
// without them (as earlier versions wrote) reads as the tracker's beats.
void TestSoundtrack::correctedBeatsRoundTrip()
{
    QFETCH(std::optional<TBeatGrid>, beats);
    const QString show = Path("beats/show.RZ4");
    QDir().mkpath(Path("beats"));
    const TSoundtrack written{Path("beats/song.flac"), 120, beats};
    QVERIFY(WriteSoundtrackFile(show, written).ok);
    TSoundtrack read;
    const TSoundtrackFileResult r = ReadSoundtrackFile(show, read);
    QVERIFY2(r.outcome.ok, qPrintable(r.outcome.message));
    QCOMPARE(read.Beats.has_value(), beats.has_value());
    if (beats) {
        QCOMPARE(read.Beats->Beats, beats->Beats);
        QCOMPARE(read.Beats->FirstDownbeat, beats->FirstDownbeat);
    }
    QVERIFY(read == written);
}

void TestSoundtrack::damagedFilesAreRefusedAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not JSON") << QByteArray("music=party.mp3\n");
    QTest::newRow("an array") << QByteArray("[\"party.mp3\"]");
    QTest::newRow("no music") << QByteArray("{\"offsetMs\": 10}");
    QTest::newRow("music not text") << QByteArray("{\"music\": 5}");
    QTest::newRow("fractional offset") << QByteArray("{\"music\": \"a.mp3\", \"offsetMs\": 1.5}");
    QTest::newRow("offset as text") << QByteArray("{\"music\": \"a.mp3\", \"offsetMs\": \"10\"}");
    QTest::newRow("offset beyond a day") << QByteArray("{\"music\": \"a.mp3\", \"offsetMs\": 1e12}");
    QTest::newRow("huge file") << QByteArray(9 << 20, ' ') + "{\"music\": \"a.mp3\"}";
    QTest::newRow("beats not a list") << QByteArray("{\"music\": \"a.mp3\", \"beats\": 0.5}");
    QTest::newRow("a beat as text") << QByteArray("{\"music\": \"a.mp3\", \"beats\": [0.5, \"1\"]}");
    QTest::newRow("beats out of order") << QByteArray("{\"music\": \"a.mp3\", \"beats\": [0.5, 1.5, 1.0]}");
    QTest::newRow("the same beat twice") << QByteArray("{\"music\": \"a.mp3\", \"beats\": [0.5, 0.5]}");
    QTest::newRow("a beat before the music") << QByteArray("{\"music\": \"a.mp3\", \"beats\": [-0.5, 1]}");
    QTest::newRow("downbeat past the beats")
        << QByteArray("{\"music\": \"a.mp3\", \"beats\": [0.5, 1], \"firstDownbeat\": 2}");
    QTest::newRow("fractional downbeat")
        << QByteArray("{\"music\": \"a.mp3\", \"beats\": [0.5, 1], \"firstDownbeat\": 0.5}");
}

void TestSoundtrack::damagedFilesAreRefusedAndChangeNothing()
{
    QFETCH(QByteArray, bytes);
    const QString show = Path("damaged/show.RZ4");
    WriteBytes(SoundtrackFileName(show), bytes);
    TSoundtrack kept{"/old/music.mp3", 5};
    const TSoundtrackFileResult r = ReadSoundtrackFile(show, kept);
    QVERIFY(!r.outcome.ok);
    QVERIFY(!r.missing);
    QVERIFY2(r.outcome.message.contains(QDir::toNativeSeparators(SoundtrackFileName(show))), qPrintable(r.outcome.message));
    QCOMPARE(kept, (TSoundtrack{"/old/music.mp3", 5}));
}

void TestSoundtrack::noFileIsNoSoundtrack()
{
    TSoundtrack s;
    const TSoundtrackFileResult r = ReadSoundtrackFile(Path("none/show.RZ4"), s);
    QVERIFY(r.outcome.ok);
    QVERIFY(r.missing);
    QVERIFY(!s.IsSet());
    // An offset may be left out: the music starts with the show.
    TSoundtrack bare;
    QVERIFY(SoundtrackFromJson("{\"music\": \"/m/a.mp3\"}", "/s/show.RZ4", bare).ok);
    QCOMPARE(bare, (TSoundtrack{"/m/a.mp3", 0}));
}

void TestSoundtrack::failedWriteNamesTheFileAndKeepsTheOldOne()
{
    const TResult lost = WriteSoundtrackFile(Path("no/such/folder/show.RZ4"), {Path("a.mp3"), 0});
    QVERIFY(!lost.ok);
    QVERIFY2(lost.message.contains("show.RZ4.soundtrack"), qPrintable(lost.message));

    // A folder where the file should go: the write fails, the folder stays.
    const QString show = Path("blocked/show.RZ4");
    QVERIFY(QDir().mkpath(SoundtrackFileName(show)));
    QVERIFY(!WriteSoundtrackFile(show, {Path("a.mp3"), 0}).ok);
    QVERIFY(QFileInfo(SoundtrackFileName(show)).isDir());

    // A full disk (here a file size limit) keeps the earlier file byte for byte and
    // says why in the system's words.
    const QString kept = Path("full/show.RZ4");
    QVERIFY(QDir().mkpath(Path("full")));
    QVERIFY(WriteSoundtrackFile(kept, {Path("full/first.wav"), 0}).ok);
    QFile earlier(SoundtrackFileName(kept));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray before = earlier.readAll();
    earlier.close();
    const TChildResult child = RunInChild([&] {
        return WriteSoundtrackFile(kept, {Path("full/a-much-longer-name-for-the-second-track.flac"), 250}).message.toUtf8();
    }, TLimits{8, -1, 60});
    QVERIFY(child.Exited);
    QVERIFY2(child.Output.contains("File too large"), child.Output.constData());
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), before);
}

void TestSoundtrack::removeLeavesNoFile()
{
    const QString show = Path("remove/show.RZ4");
    QDir().mkpath(Path("remove"));
    QVERIFY(WriteSoundtrackFile(show, {Path("remove/a.mp3"), 0}).ok);
    QVERIFY(RemoveSoundtrackFile(show).ok);
    QVERIFY(!QFileInfo::exists(SoundtrackFileName(show)));
    QVERIFY(RemoveSoundtrackFile(show).ok);   // nothing left to remove
}

// Whatever a music file is called, the soundtrack finds it again: written, read back,
// the same file, also when an older soundtrack file stored ":intro.wav" bare.
void TestSoundtrack::oddNamesRoundTrip_data()
{
    QTest::addColumn<QString>("music");   // beside the show, in a folder "odd"
    for (const char* name : {":intro.wav", "a:b.mp3", "::", "back\\slash.wav", "new\nline.ogg", "#?*[]%41.flac",
                             "~", " spaces .mp3", "..dots", ".hidden.wav", "-dash.mp3", "\xc3\xbc\xe6\x97\xa5.mp3",
                             "quote\"and'apostrophe.wav", "tab\there.wav"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

void TestSoundtrack::oddNamesRoundTrip()
{
    QFETCH(QString, music);
    QTemporaryDir dir;
    const QString show = QDir::cleanPath(dir.filePath("odd/show.RZ4"));
    const QString file = QDir::cleanPath(dir.filePath("odd")) + '/' + music;
    QVERIFY(QDir().mkpath(dir.filePath("odd")));
    WriteBytes(file, "x");
    const TSoundtrack s{file, 1234};
    QVERIFY(WriteSoundtrackFile(show, s).ok);
    QFile f(SoundtrackFileName(show));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString stored = QJsonDocument::fromJson(f.readAll()).object().value("music").toString();
    QVERIFY2(!stored.startsWith(':') && !stored.startsWith('/'), qPrintable(stored));
    TSoundtrack read;
    QVERIFY(ReadSoundtrackFile(show, read).outcome.ok);
    QCOMPARE(read, s);
    QVERIFY(QFileInfo(read.MusicFile).isFile());

    // Another show in a folder below finds it through "..".
    const QString deeper = QDir::cleanPath(dir.filePath("odd/sub/show.RZ4"));
    QVERIFY(QDir().mkpath(dir.filePath("odd/sub")));
    QVERIFY(WriteSoundtrackFile(deeper, s).ok);
    QVERIFY(ReadSoundtrackFile(deeper, read).outcome.ok);
    QCOMPARE(read, s);

    // The name as stored bare next to the show.
    QJsonObject bare;
    bare.insert("music", music);
    TSoundtrack fromBare;
    QVERIFY(SoundtrackFromJson(QJsonDocument(bare).toJson(), show, fromBare).ok);
    QCOMPARE(fromBare.MusicFile, file);
}

QTEST_GUILESS_MAIN(TestSoundtrack)
#include "tst_soundtrack.moc"
