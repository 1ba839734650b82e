// The editor's commands when the disk is full, the target is no file or memory runs
// out: an error box naming the file and the reason, the open show and the file on
// disk as they were, and the editor still running.
#include "ChildRun.h"
#include "Builders.h"
#include "IldaFile.h"
#include "MainWindowFixture.h"
#include "ShowFile.h"

#include <QApplication>
#include <QDataStream>
#include <QtTest>

#include <sys/stat.h>

namespace {

// What a command run in a child showed and left: the error box and the frame names.
struct TOutcome {
    QString told;
    int icon = -1;
    bool modified = false;
    QStringList frames;
    bool unexpected = false;
};

QByteArray Encode(const TOutcome& o)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << o.told << o.icon << o.modified << o.frames << o.unexpected;
    return bytes;
}

TOutcome Decode(const QByteArray& bytes)
{
    TOutcome o;
    QDataStream in(bytes);
    in >> o.told >> o.icon >> o.modified >> o.frames >> o.unexpected;
    return o;
}

} // namespace

class TestFaultsUi : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void saveOntoAFullDiskKeepsTheFile();
    void saveAsOntoAPipeIsRefused();
    void ildaImportWithoutMemoryKeepsTheShow();
    void compileOntoAFullDiskLeavesNoFile();

private:
    QString MakeShow(const QString& name, int frames, int points);
    // Triggers the action in a child under `limits`, the prompts answered as queued.
    TOutcome RunInChild(const QString& action, const TLimits& limits);
    QStringList Names() const;
};

QString TestFaultsUi::MakeShow(const QString& name, int frames, int points)
{
    TLaserFrames show;
    for (int i = 0; i < frames; ++i) {
        TLaserFrame& frame = show.Add();
        frame.Name = QStringLiteral("F%1").arg(i);
        for (int k = 0; k < points; ++k)
            frame.Points.push_back(PointAt(k * 13 + i, k * 7));
        frame.FitLinks(show.PreviousPointCount(i));
    }
    return WriteTestShow(Dir->filePath(name), show);
}

QStringList TestFaultsUi::Names() const
{
    return FrameNames(Form->Show());
}

TOutcome TestFaultsUi::RunInChild(const QString& action, const TLimits& limits)
{
    const TChildResult child = ::RunInChild([&] {
        Form->findChild<QAction*>(action)->trigger();
        TOutcome o;
        for (const auto& shown : Prompts->Shown)
            if (shown.kind == "Tell") {
                o.told = shown.text;
                o.icon = int(shown.icon);
            }
        o.modified = Form->IsModified();
        o.frames = Names();
        o.unexpected = !Prompts->Unexpected.isEmpty() || !Prompts->AllAnswered();
        return Encode(o);
    }, limits);
    if (!child.Exited || child.ExitCode != 0)
        qWarning() << "the child ended with" << child.ExitCode << "signal" << child.Signal;
    return Decode(child.Output);
}

void TestFaultsUi::saveOntoAFullDiskKeepsTheFile()
{
    CreateForm();
    const QString path = MakeShow("party.RZ4", 3, 20);
    const QByteArray before = ReadFile(path);
    Form->OpenCommandLineFile(path);
    QVERIFY(Form->Document().EditFrame(1, QStringLiteral("Rename frame"),
                                       [](TLaserFrame& frame) { frame.Name = "renamed"; }, TShowChange::Properties));
    Prompts->ExpectTell();
    TLimits full;
    full.FileSize = 100; // smaller than the show: the write fails part-way
    const TOutcome o = RunInChild("aSaveFile", full);
    QVERIFY(!o.unexpected);
    QCOMPARE(o.icon, int(TMsgIcon::Error));
    QVERIFY2(o.told.contains(QDir::toNativeSeparators(path)) && o.told.contains("File too large"), qPrintable(o.told));
    QVERIFY(o.modified); // nothing was saved
    QCOMPARE(o.frames, (QStringList{"F0", "renamed", "F2"}));
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(QDir(Dir->path()).entryList({"party.RZ4*"}, QDir::Files), QStringList{"party.RZ4"});
}

void TestFaultsUi::saveAsOntoAPipeIsRefused()
{
    CreateForm();
    Form->OpenCommandLineFile(MakeShow("party.RZ4", 2, 5));
    const QString pipe = Dir->filePath("pipe.RZ4");
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    Prompts->ExpectSave(pipe);
    Prompts->ExpectTell();
    Form->findChild<QAction*>("aSaveAsFile")->trigger();
    QVERIFY(Prompts->Unexpected.isEmpty() && Prompts->AllAnswered());
    const QString told = Prompts->Shown.last().text;
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY2(told.contains(pipe) && told.contains("it is a pipe, not a regular file"), qPrintable(told));
    QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
    QCOMPARE(Form->Show().FileName, Dir->filePath("party.RZ4")); // still the save target
}

void TestFaultsUi::ildaImportWithoutMemoryKeepsTheShow()
{
    CreateForm();
    Form->OpenCommandLineFile(MakeShow("party.RZ4", 2, 5));
    const QString ild = Dir->filePath("big.ild");
    {
        // 60 frames of 30,000 points: about 100 MB to hold, more than the child has.
        TLaserFrames big;
        for (int k = 0; k < 60; ++k)
            big.Add().Points.resize(30000);
        QVERIFY(ExportIldaFile(ild, big, {}).outcome.ok);
    }
    Form->Document().MarkSaved();
    Prompts->ExpectOpen(ild);
    Prompts->ExpectTell();
    TLimits tight;
    tight.AddressSpace = qint64(8) << 30;
    tight.FreeMemory = qint64(40) << 20;
    const TOutcome o = RunInChild("aImportIlda", tight);
    QVERIFY(!o.unexpected);
    QCOMPARE(o.icon, int(TMsgIcon::Error));
    QCOMPARE(o.told, QStringLiteral("Not enough memory to import \"%1\".").arg(ild));
    QCOMPARE(o.frames, (QStringList{"F0", "F1"}));
    QVERIFY(!o.modified);
}

void TestFaultsUi::compileOntoAFullDiskLeavesNoFile()
{
    CreateForm();
    const QString path = MakeShow("party.RZ4", 2, 5);
    Form->OpenCommandLineFile(path);
    Prompts->ExpectTell();
    TLimits full;
    full.FileSize = 4096;
    const TOutcome o = RunInChild("aCreateWavefile", full);
    QVERIFY(!o.unexpected);
    QCOMPARE(o.icon, int(TMsgIcon::Error));
    QCOMPARE(o.told, QStringLiteral("Cannot write \"%1.WAV\": File too large").arg(path));
    QCOMPARE(QDir(Dir->path()).entryList({"party.RZ4*"}, QDir::Files), QStringList{"party.RZ4"});
}

QTEST_MAIN(TestFaultsUi)
#include "tst_faults_ui.moc"
