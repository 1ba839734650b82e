// The soundtrack in the editor: chosen in its dialog, kept in the file beside the
// show through save, save as and open, read in the background with a cancel,
// drawn under the timeline, the frames fitted to its beats, and the beats corrected.
#include "BeatGrid.h"
#include "Builders.h"
#include "FormUnitSoundOutputs.h"
#include "FormUnitSoundtrack.h"
#include "MainWindowFixture.h"
#include "MusicFiles.h"
#include "ShowFile.h"
#include "ShowSoundtrack.h"
#include "Soundtrack.h"
#include "Timeline.h"
#include "TimelineMusic.h"
#include "WaveCompiler.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QComboBox>
#include <QMediaDevices>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class TestSoundtrackUi : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void menuPlaces();
    void chosenSoundtrackIsSavedBesideTheShow();
    void soundtrackChangesAreStepsOfTheHistory();
    void saveAsRewritesTheRelativePath();
    void removedSoundtrackDoesNotComeBack();
    void missingMusicIsANoteNotAFailure();
    void damagedSoundtrackFileOpensTheShowAndStays();
    void unreadableMusicIsRefusedWithItsReason();
    void musicTooLongIsRefusedFromItsHeader();
    void newShowHasNoSoundtrack();
    void cancelLeavesTheEarlierSoundtrack();
    void fitFramesToBeats();
    void lockedFrameKeepsItsDelayInTheFit();
    void laneDrawsOutlineAndBeatsOnTheBandsScale();
    void browseFillsTheMusicFile();
    void dialogLabelAndEnter();
    void soundOutputsAreKeptAndAGoneDeviceIsNotDropped();
    void soundOutputsTellAlikeOnesApartAndRefuseTheLasers();
    void beatCorrectionsAreSteps_data();
    void beatCorrectionsAreSteps();
    void correctedBeatsAreSavedAndComeBack();

private:
    QString MakeShow(const QString& name, int frames = 3);
    // Answers the soundtrack dialog with `music` and `offset` once it is open.
    void ChooseInDialog(const QString& music, int offset);
    // Chooses the music in the dialog and waits until it is read and is the soundtrack.
    void ChooseMusic(const QString& music, int offset);
    QString Status() const { return Inside().sbFrameMessage->text(); }
    bool NoUnexpectedPrompts() const;

    QString Clicks;         // 12 s of clicks at 120 bpm from 0.5 s
    QTemporaryDir Music;
};

void TestSoundtrackUi::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    Clicks = Music.filePath("music/clicks.wav");
    QDir().mkpath(Music.filePath("music"));
    QVERIFY(WriteMusic(Clicks, ClickTrack(44100, 12, BeatTimes(0.5, 12, 120)), 44100, MusicWav));
}

QString TestSoundtrackUi::MakeShow(const QString& name, int frames)
{
    TLaserFrames show;
    for (int i = 0; i < frames; ++i) {
        TLaserFrame& f = show.Add();
        f.Delay = quint16(700 + 130 * i);
        AddPoints(f, {{20 + 20 * i, 30}, {220, 60 + 10 * i}, {100, 210}});
    }
    const QString path = Dir->filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    return WriteTestShow(path, show);
}

void TestSoundtrackUi::ChooseInDialog(const QString& music, int offset)
{
    QTimer::singleShot(0, this, [this, music, offset] {
        Inside().FormSoundtrack->editMusic->setText(music);
        Inside().FormSoundtrack->editOffset->setValue(offset);
        Inside().FormSoundtrack->accept();
    });
}

void TestSoundtrackUi::ChooseMusic(const QString& music, int offset)
{
    ChooseInDialog(music, offset);
    Ui().aSoundtrack->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Inside().ShowMusic->IsLoading(), 20000);
}

bool TestSoundtrackUi::NoUnexpectedPrompts() const
{
    if (!Prompts->Unexpected.isEmpty())
        qWarning() << "unexpected prompts:" << Prompts->Unexpected;
    return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered();
}

void TestSoundtrackUi::menuPlaces()
{
    CreateForm();
    QStringList found;
    for (QAction* top : Form->menuBar()->actions())
        for (QAction* item : top->menu()->actions())
            if (item == Ui().aSoundtrack || item == Ui().aRemoveSoundtrack || item == Ui().aFitFramesToBeats
                || item == Ui().miSoundOutputs)
                found << top->text() + " > " + item->text();
    QCOMPARE(found, (QStringList{"&Project > &Soundtrack...", "&Project > Remove soundtrack",
                                 "F&rame > Fit frames to beats", "&Settings > Sound outputs..."}));
    QVERIFY(!Ui().aRemoveSoundtrack->isEnabled());   // nothing to remove yet
}

void TestSoundtrackUi::chosenSoundtrackIsSavedBesideTheShow()
{
    CreateForm();
    const QString show = MakeShow("shows/party.RZ4");
    QVERIFY(Form->OpenShow(show));
    Form->Document().MarkSaved();
    ChooseMusic(Clicks, 250);
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{Clicks, 250}));
    QVERIFY(Form->IsModified());   // a new soundtrack needs saving like any edit
    QVERIFY(Ui().aRemoveSoundtrack->isEnabled());
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    QVERIFY(Inside().ShowMusic->Analysis());
    QVERIFY(!Inside().TimelineMusic->isHidden());
    QVERIFY(Status().contains("clicks.wav"));

    Prompts->ExpectTell();   // "File was saved."
    Ui().aSaveFile->trigger();
    QVERIFY(!Form->IsModified());
    TSoundtrack stored;
    QVERIFY(ReadSoundtrackFile(show, stored).outcome.ok);
    QCOMPARE(stored, (TSoundtrack{Clicks, 250}));

    // Opened again in a fresh window, the show brings its music.
    Form.reset();
    CreateForm();
    QVERIFY(Form->OpenShow(show));
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{Clicks, 250}));
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    QVERIFY(Inside().ShowMusic->Analysis());
    QVERIFY(NoUnexpectedPrompts());
}

// Choosing and removing the soundtrack are undone and done again like frame edits,
// and undoing back to the saved state leaves nothing to save.
void TestSoundtrackUi::soundtrackChangesAreStepsOfTheHistory()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("shows/steps.RZ4")));
    ChooseMusic(Clicks, 250);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Soundtrack"));
    Ui().aRemoveSoundtrack->trigger();
    QVERIFY(!Inside().ShowMusic->Track().IsSet());
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Remove soundtrack"));

    Ui().miUndo->trigger();
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{Clicks, 250}));
    Ui().miUndo->trigger();
    QVERIFY(!Inside().ShowMusic->Track().IsSet());
    QVERIFY(!Form->IsModified());
    Ui().miRedo->trigger();
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{Clicks, 250}));
    QVERIFY(Form->IsModified());
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::saveAsRewritesTheRelativePath()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("a/show.RZ4")));
    ChooseMusic(Clicks, 0);
    const QString copy = Dir->filePath("b/c/copy.RZ4");
    QDir().mkpath(Dir->filePath("b/c"));
    Prompts->ExpectSave(copy);
    Prompts->ExpectTell();
    QVERIFY(Inside().SaveAs());
    TSoundtrack stored;
    QVERIFY(ReadSoundtrackFile(copy, stored).outcome.ok);
    QCOMPARE(stored.MusicFile, Clicks);
    QFile file(SoundtrackFileName(copy));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString expected = QDir(Dir->filePath("b/c")).relativeFilePath(Clicks);
    QVERIFY2(file.readAll().contains(expected.toUtf8()), qPrintable(expected));
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::removedSoundtrackDoesNotComeBack()
{
    CreateForm();
    const QString show = MakeShow("r/show.RZ4");
    QVERIFY(WriteSoundtrackFile(show, {Clicks, 0}).ok);
    QVERIFY(Form->OpenShow(show));
    QVERIFY(Inside().ShowMusic->Track().IsSet());
    Ui().aRemoveSoundtrack->trigger();
    QVERIFY(!Inside().ShowMusic->Track().IsSet());
    QVERIFY(Form->IsModified());
    QVERIFY(Inside().TimelineMusic->isHidden());
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    QVERIFY(!QFileInfo::exists(SoundtrackFileName(show)));
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::missingMusicIsANoteNotAFailure()
{
    CreateForm();
    const QString show = MakeShow("m/show.RZ4");
    const QString gone = Dir->filePath("m/gone.mp3");
    QVERIFY(WriteSoundtrackFile(show, {gone, 100}).ok);
    QVERIFY(Form->OpenShow(show));
    QCOMPARE(Form->Show().Count(), 3);
    QVERIFY2(Status().contains("missing") && Status().contains("gone.mp3"), qPrintable(Status()));
    QVERIFY(!Inside().ShowMusic->IsAnalysing());
    // The link is kept: saving writes it back, so the music can come later.
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    TSoundtrack stored;
    QVERIFY(ReadSoundtrackFile(show, stored).outcome.ok);
    QCOMPARE(stored, (TSoundtrack{gone, 100}));
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::damagedSoundtrackFileOpensTheShowAndStays()
{
    CreateForm();
    const QString show = MakeShow("d/show.RZ4");
    QFile damaged(SoundtrackFileName(show));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("{ not json");
    damaged.close();
    QVERIFY(Form->OpenShow(show));
    QCOMPARE(Form->Show().Count(), 3);
    QVERIFY(!Inside().ShowMusic->Track().IsSet());
    QVERIFY2(Status().contains("show.RZ4.soundtrack"), qPrintable(Status()));
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    // Saving the show does not throw away a file it could not read.
    QVERIFY(damaged.open(QIODevice::ReadOnly));
    QCOMPARE(damaged.readAll(), QByteArray("{ not json"));
    QVERIFY(NoUnexpectedPrompts());
}

// A file the decoder cannot read is refused in the dialog with its reason; the
// dialog stays open with the typed path, and Cancel then leaves the old soundtrack.
void TestSoundtrackUi::unreadableMusicIsRefusedWithItsReason()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("u/show.RZ4")));
    ChooseMusic(Clicks, 0);
    Form->Document().MarkSaved();
    const QString text = Dir->filePath("u/notes.mp3");
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is no music at all");
    f.close();
    const QString typed = QDir::toNativeSeparators(text);
    bool stayedOpen = false;
    QString kept;
    QTimer::singleShot(0, this, [&] {
        TFormSoundtrack* dialog = Inside().FormSoundtrack;
        dialog->editMusic->setText(typed);
        QTest::keyClick(dialog, Qt::Key_Return);   // OK
        stayedOpen = dialog->isVisible();
        kept = dialog->editMusic->text();
        dialog->reject();
    });
    Prompts->ExpectTell();
    Ui().aSoundtrack->trigger();
    QVERIFY(stayedOpen);
    QCOMPARE(kept, typed);
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Error);
    QVERIFY2(Prompts->Shown.last().text.contains(typed), qPrintable(Prompts->Shown.last().text));
    QCOMPARE(Inside().ShowMusic->Track().MusicFile, Clicks);   // the old soundtrack stays
    QVERIFY(!Form->IsModified());
    QVERIFY(NoUnexpectedPrompts());
}

// A show whose soundtrack names 4 GB of music at 1 Hz (sparse on disk): opening it
// once read the whole declared length into the outline and the beats. The header
// tells it is too long; the show opens, the link stays, nothing is written.
void TestSoundtrackUi::musicTooLongIsRefusedFromItsHeader()
{
    CreateForm();
    const QString show = MakeShow("h/show.RZ4");
    const QString music = Dir->filePath("h/sparse.wav");
    QByteArray header;
    QDataStream s(&header, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36u + 4000000000u);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << quint32(1) << quint32(1) << quint16(1) << quint16(8);
    s.writeRawData("data", 4);
    s << quint32(4000000000u);
    QVERIFY(WriteFile(music, header));
    QVERIFY(QFile::resize(music, 44 + qint64(4000000000)));
    QVERIFY(WriteSoundtrackFile(show, {music, 0}).ok);
    const QByteArray soundtrack = ReadFile(SoundtrackFileName(show));

    QVERIFY(Form->OpenShow(show));
    QCOMPARE(Form->Show().Count(), 3);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    QVERIFY(!Inside().ShowMusic->Analysis());
    QVERIFY2(Status().contains("longer than the 3 hours a soundtrack may last"), qPrintable(Status()));
    QVERIFY(Inside().pgMusic->isHidden());
    QCOMPARE(Inside().ShowMusic->Track().MusicFile, music);
    QVERIFY(!Form->IsModified());
    QCOMPARE(Litter(Dir->filePath("h"), {"show.RZ4", "show.RZ4.soundtrack", "sparse.wav"}), QStringList());
    QCOMPARE(ReadFile(SoundtrackFileName(show)), soundtrack);
    QCOMPARE(QFileInfo(music).size(), 44 + qint64(4000000000));
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::newShowHasNoSoundtrack()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("n/show.RZ4")));
    ChooseMusic(Clicks, 0);
    Prompts->ExpectAsk(true);   // discard the changes
    Ui().aNewFile->trigger();
    QVERIFY(!Inside().ShowMusic->Track().IsSet());
    QVERIFY(Inside().TimelineMusic->isHidden());
    QVERIFY(NoUnexpectedPrompts());
}

// Other music is read before it becomes the soundtrack: cancelling that reading
// leaves the earlier soundtrack, its analysis, its lane and the history as they were,
// and Fit frames to beats goes on working with it.
void TestSoundtrackUi::cancelLeavesTheEarlierSoundtrack()
{
    CreateForm();
    const QString longMusic = Dir->filePath("long.flac");
    QVERIFY(WriteMusic(longMusic, ClickTrack(44100, 240, BeatTimes(0, 240, 100)), 44100, MusicFlac));
    QVERIFY(Form->OpenShow(MakeShow("c/show.RZ4")));
    ChooseMusic(Clicks, 0);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Form->Document().MarkSaved();
    const int steps = Form->Document().History().count();
    const auto analysis = Inside().ShowMusic->Analysis();
    QVERIFY(analysis);

    ChooseInDialog(longMusic, 0);
    Ui().aSoundtrack->trigger();
    QVERIFY(Inside().ShowMusic->IsLoading());
    QVERIFY(!Inside().pgMusic->isHidden());
    QVERIFY(!Inside().bnMusicCancel->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(Inside().pgMusic->value() > 0, 20000);   // the window keeps answering
    QCOMPARE(Inside().ShowMusic->Track().MusicFile, Clicks);          // not the soundtrack yet
    Inside().bnMusicCancel->click();
    QVERIFY(!Inside().ShowMusic->IsLoading());
    QVERIFY(Inside().pgMusic->isHidden());
    QVERIFY2(Status().contains("cancelled"), qPrintable(Status()));
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{Clicks, 0}));
    QCOMPARE(Inside().ShowMusic->Analysis(), analysis);
    QVERIFY(!Inside().TimelineMusic->isHidden());
    QCOMPARE(Form->Document().History().count(), steps);
    QVERIFY(!Form->IsModified());
    Ui().aFitFramesToBeats->trigger();   // no box: the beats are at hand
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Fit frames to beats"));

    // Asked for again, the same music is read again; done, it is the soundtrack.
    ChooseMusic(longMusic, 20);
    QCOMPARE(Inside().ShowMusic->Track(), (TSoundtrack{longMusic, 20}));
    QVERIFY(Inside().ShowMusic->Analysis());
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Soundtrack"));
    QVERIFY(NoUnexpectedPrompts());
}

void TestSoundtrackUi::fitFramesToBeats()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("f/show.RZ4", 4)));
    Prompts->ExpectTell();   // no soundtrack yet
    Ui().aFitFramesToBeats->trigger();
    QCOMPARE(Prompts->Shown.last().icon, TMsgIcon::Information);

    ChooseMusic(Clicks, 0);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Form->Document().MarkSaved();
    QList<quint16> before;
    for (int i = 0; i < Form->Show().Count(); ++i)
        before << Form->Show().Frame(i).Delay;

    // One step of the history: undone, the delays are back and the show is as saved.
    Ui().aFitFramesToBeats->trigger();
    QVERIFY(Form->IsModified());
    QVERIFY(Status().contains("4 frames fitted"));
    QList<quint16> fitted;
    for (int i = 0; i < Form->Show().Count(); ++i)
        fitted << Form->Show().Frame(i).Delay;
    QVERIFY(fitted != before);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Fit frames to beats"));
    Ui().miUndo->trigger();
    for (int i = 0; i < Form->Show().Count(); ++i)
        QCOMPARE(Form->Show().Frame(i).Delay, before[i]);
    QVERIFY(!Form->IsModified());
    Ui().miRedo->trigger();
    for (int i = 0; i < Form->Show().Count(); ++i)
        QCOMPARE(Form->Show().Frame(i).Delay, fitted[i]);
    const TCompileResult timing = MeasureShow(Form->Show(), TCompileOptions{Inside().ScanDelays});
    const std::vector<double>& beats = Inside().ShowMusic->Analysis()->Beats;
    for (const TFrameTiming& t : timing.timing) {
        double best = 1e9;
        for (double b : beats)
            best = std::min(best, std::abs(b - double(t.DisplayEnd()) / 44100));
        QVERIFY(best < 0.03);
    }
    QVERIFY(NoUnexpectedPrompts());
}

// On a 1 ms scale one click 1500 ms into the music, which starts 200 ms after
// the show, stands at x = 1700 - S; so do the ticks of its beat. The next beat starts the first bar.
void TestSoundtrackUi::laneDrawsOutlineAndBeatsOnTheBandsScale()
{
    TMusicAnalysis music;
    music.Envelope.Reset(8000);
    std::vector<float> samples(3000 * 8, 0.0f);
    for (int i = 1500 * 8; i < 1504 * 8; ++i)
        samples[size_t(i)] = i % 2 ? 0.9f : -0.9f;
    music.Envelope.Add(samples.data(), qint64(samples.size()));
    music.Envelope.Finish();
    music.Beats = {1.5, 1.7};
    TColorSettings colors;
    colors.TimelineBackground = Qt::black;
    colors.TimelineAreas = Qt::green;
    colors.TimelineLines = Qt::red;
    colors.TimelineText = Qt::white;
    QImage image(600, 32, QImage::Format_RGB32);
    QPainter painter(&image);
    const qint64 S = 1400;   // the show time at the left edge
    DrawMusicLane(painter, image.size(), &music, TBeatGrid{music.Beats, 1}, 200, S, 1, colors);
    painter.end();
    // The first downbeat, 200 ms after the click, is a line across.
    for (int y : {0, 15, 31})
        QCOMPARE(QColor(image.pixel(1900 - int(S), y)), QColor(Qt::white));
    const int x = 1700 - int(S);
    QCOMPARE(QColor(image.pixel(x, 0)), QColor(Qt::red));          // the beat's tick at the top
    QCOMPARE(QColor(image.pixel(x, 31)), QColor(Qt::red));         // and at the bottom
    QCOMPARE(QColor(image.pixel(x + 2, 10)), QColor(Qt::green));   // the click's outline, above the middle
    QCOMPARE(QColor(image.pixel(x + 2, 22)), QColor(Qt::green));   // and below it
    QCOMPARE(QColor(image.pixel(x - 5, 10)), QColor(Qt::black));   // silence before it
    QCOMPARE(QColor(image.pixel(x + 20, 10)), QColor(Qt::black));  // and after it
}

void TestSoundtrackUi::browseFillsTheMusicFile()
{
    CreateForm();
    Prompts->ExpectOpen(Clicks);
    Inside().FormSoundtrack->Fill(TSoundtrack{});
    Inside().FormSoundtrack->bnBrowse->click();
    QCOMPARE(Inside().FormSoundtrack->Edited().MusicFile, Clicks);
    QVERIFY(Prompts->Shown.last().request.filter.contains("*.mp3"));
    // Cancelling the file dialog keeps what was there.
    Prompts->ExpectOpen(QString());
    Inside().FormSoundtrack->bnBrowse->click();
    QCOMPARE(Inside().FormSoundtrack->Edited().MusicFile, Clicks);
    QVERIFY(NoUnexpectedPrompts());
}

// The choice survives the window; a device that is not there now stays chosen
// (shown as not present) rather than silently replaced.
void TestSoundtrackUi::soundOutputsAreKeptAndAGoneDeviceIsNotDropped()
{
    CreateForm([](TSettingsStore& store) {
        store.WriteText("SoundOutputs", "Laser", "");
        store.WriteText("SoundOutputs", "Music", "usb-headphones-gone");
    });
    QCOMPARE(Inside().SoundOutputs, (TSoundOutputs{"", "usb-headphones-gone"}));
    Inside().FormSoundOutputs->Fill(Inside().SoundOutputs);
    QVERIFY(Inside().FormSoundOutputs->cbMusic->currentText().contains("not present"));
    QCOMPARE(Inside().FormSoundOutputs->Chosen(), Inside().SoundOutputs);
    QCOMPARE(Inside().FormSoundOutputs->cbLaser->currentIndex(), 0);   // the system's default output
    Form->close();   // a regular close writes the settings
    Form.reset();
    TSoundOutputs read;
    read.Read(TSettingsStore(*Settings));
    QCOMPARE(read, (TSoundOutputs{"", "usb-headphones-gone"}));
}

// "&Music file:" names its field (so the & is a shortcut, not a character), and
// Enter right after Browse... presses OK, not Browse... again.
void TestSoundtrackUi::dialogLabelAndEnter()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("e/show.RZ4")));
    TFormSoundtrack* dialog = Inside().FormSoundtrack;
    QLabel* label = nullptr;
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->text() == QStringLiteral("&Music file:"))
            label = l;
    QVERIFY(label);
    QCOMPARE(label->buddy(), dialog->editMusic);

    Prompts->ExpectOpen(Clicks);
    QTimer::singleShot(0, this, [dialog] {
        dialog->bnBrowse->setFocus();
        dialog->bnBrowse->click();
        QTest::keyClick(dialog->bnBrowse, Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();   // Enter did not press OK
    });
    Ui().aSoundtrack->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Inside().ShowMusic->IsLoading(), 20000);
    QCOMPARE(Inside().ShowMusic->Track().MusicFile, Clicks);
    QVERIFY(NoUnexpectedPrompts());
}

// A locked frame keeps its delay when the frames are fitted to the beats.
void TestSoundtrackUi::lockedFrameKeepsItsDelayInTheFit()
{
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("l/show.RZ4", 4)));
    ChooseMusic(Clicks, 0);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Inside().lbThumbsClick(1);
    Ui().aLock->trigger();
    QVERIFY(Form->Show().Frame(1).IsLocked());
    const quint16 locked = Form->Show().Frame(1).Delay;
    Ui().aFitFramesToBeats->trigger();
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Fit frames to beats"));
    QCOMPARE(Form->Show().Frame(1).Delay, locked);
    QVERIFY(Form->Show().Frame(0).Delay != 700 || Form->Show().Frame(2).Delay != 960);
    QVERIFY(NoUnexpectedPrompts());
}

// Outputs of the same name show their device ids; the laser's own output is refused
// for the music right in the dialog, with the reason (needs sound outputs to list).
void TestSoundtrackUi::soundOutputsTellAlikeOnesApartAndRefuseTheLasers()
{
    const QList<QAudioDevice> devices = QMediaDevices::audioOutputs();
    if (devices.isEmpty())
        QSKIP("no sound outputs here");
    CreateForm();
    TFormSoundOutputs* dialog = Inside().FormSoundOutputs;
    const QString laser = QString::fromUtf8(devices.first().id());
    dialog->Fill(TSoundOutputs{laser, TSoundOutputs::NoMusic});
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(dialog->bnOK->isEnabled());
    dialog->cbMusic->setCurrentIndex(dialog->cbMusic->findData(laser));
    QVERIFY(!dialog->bnOK->isEnabled());
    QVERIFY2(dialog->stNote->text().contains("laser's output"), qPrintable(dialog->stNote->text()));
    // The open window grows to the longer reason rather than cutting it off.
    QVERIFY(dialog->height() >= dialog->layout()->totalHeightForWidth(dialog->width()));
    dialog->cbMusic->setCurrentIndex(dialog->cbMusic->findData(TSoundOutputs::NoMusic));
    QVERIFY(dialog->bnOK->isEnabled());
    dialog->hide();

    QStringList texts;
    for (int i = 0; i < dialog->cbMusic->count(); ++i)
        texts << dialog->cbMusic->itemText(i);
    QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), texts.size());
    for (const QAudioDevice& device : devices) {
        const int index = dialog->cbMusic->findData(QString::fromUtf8(device.id()));
        QVERIFY(index >= 0);
        const bool alike = std::count_if(devices.begin(), devices.end(), [&](const QAudioDevice& other) {
                               return other.description() == device.description();
                           }) > 1;
        if (alike)
            QVERIFY2(dialog->cbMusic->itemText(index).contains(QString::fromUtf8(device.id())),
                     qPrintable(dialog->cbMusic->itemText(index)));
    }
}

void TestSoundtrackUi::beatCorrectionsAreSteps_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("stepName");
    QTest::newRow("halve") << "halve" << "Halve tempo";
    QTest::newRow("double") << "double" << "Double tempo";
    QTest::newRow("half-beat shift") << "shift" << "Shift beats by half a beat";
    QTest::newRow("first downbeat") << "downbeat" << "Set first downbeat";
    QTest::newRow("drag a beat on the lane") << "drag" << "Move beat";
    QTest::newRow("add a beat") << "add" << "Add beat";
    QTest::newRow("remove a beat") << "remove" << "Remove beat";
    QTest::newRow("tap tempo") << "tap" << "Tap tempo";
}

// Each correction of the beats is one step: done, the show goes by the corrected
// beats (and the lane shows them); undone, by the tracker's; done again, corrected.
// The command acts at the start of the current frame (1.53 s, beat 2 at 1.5 s).
void TestSoundtrackUi::beatCorrectionsAreSteps()
{
    QFETCH(QString, tool);
    QFETCH(QString, stepName);
    CreateForm();
    QVERIFY(Form->OpenShow(MakeShow("b/show.RZ4", 4)));
    ChooseMusic(Clicks, 0);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Form->Document().MarkSaved();
    Inside().lbThumbsClick(2);
    const TBeatGrid tracked{Inside().ShowMusic->Analysis()->Beats, 0};
    QVERIFY(tracked.Beats.size() > 10);
    QCOMPARE(Inside().TimelineMusic->Beats(), tracked);
    const double seconds = Inside().ShowMusic->Analysis()->Info.Seconds();

    TBeatGrid expected;
    if (tool == "halve") {
        expected = HalveTempo(tracked);
        Ui().aHalveTempo->trigger();
    } else if (tool == "double") {
        expected = DoubleTempo(tracked);
        Ui().aDoubleTempo->trigger();
    } else if (tool == "shift") {
        expected = ShiftHalfBeat(tracked, +1, seconds);
        Ui().aShiftHalfBeat->trigger();
    } else if (tool == "downbeat") {
        expected = SetFirstDownbeat(tracked, 1.53);
        QCOMPARE(expected.FirstDownbeat, 2);
        Ui().aSetDownbeat->trigger();
    } else if (tool == "add") {
        expected = AddBeat(tracked, 1.53);
        Ui().aAddBeat->trigger();
    } else if (tool == "remove") {
        expected = RemoveBeat(tracked, 2);
        Ui().aRemoveBeat->trigger();
    } else if (tool == "drag") {
        // Beat 2 taken by its tick and dropped 8 columns later.
        TTimelineMusic* lane = Inside().TimelineMusic;
        lane->resize(4000, TTimelineMusic::LaneHeight);
        const int x = lane->ColumnOf(tracked.Beats[2]);
        QVERIFY(x > 0 && x + 8 < lane->width());
        QCOMPARE(lane->BeatNear(x), 2);
        expected = MoveBeat(tracked, 2, lane->SecondsAt(x + 8));
        QTest::mousePress(lane, Qt::LeftButton, {}, QPoint(x, 10));
        QTest::mouseMove(lane, QPoint(x + 4, 10));
        QTest::mouseMove(lane, QPoint(x + 8, 10));
        QTest::mouseRelease(lane, Qt::LeftButton, {}, QPoint(x + 8, 10));
    } else if (tool == "tap") {
        // Taps along at 100 bpm, one of them late: the tapped tempo replaces the beats.
        const std::vector<double> taps{2.0, 2.6, 3.2, 3.83, 4.4, 5.0};
        expected = ApplyTapTempo(tracked, TempoFromTaps(taps), seconds);
        for (double t : taps)
            Inside().TapAt(t);
        Inside().FinishTapping();
        QVERIFY(std::abs(TempoFromBeats(expected.Beats) - 100) < 1);
    }
    QVERIFY(expected != tracked);
    QCOMPARE(Form->Document().History().undoText(), stepName);
    QVERIFY(Form->IsModified());
    QCOMPARE(Form->Document().Soundtrack().Beats, std::optional<TBeatGrid>(expected));
    QCOMPARE(Inside().TimelineMusic->Beats(), expected);

    Ui().miUndo->trigger();
    QVERIFY(!Form->Document().Soundtrack().Beats);
    QCOMPARE(Inside().TimelineMusic->Beats(), tracked);
    QVERIFY(!Form->IsModified());
    Ui().miRedo->trigger();
    QCOMPARE(Form->Document().Soundtrack().Beats, std::optional<TBeatGrid>(expected));
    QCOMPARE(Inside().TimelineMusic->Beats(), expected);
    QVERIFY(NoUnexpectedPrompts());
}

// Corrected beats go into the soundtrack file on saving and come back with the show.
void TestSoundtrackUi::correctedBeatsAreSavedAndComeBack()
{
    CreateForm();
    const QString show = MakeShow("s/show.RZ4");
    QVERIFY(Form->OpenShow(show));
    ChooseMusic(Clicks, 0);
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Ui().aHalveTempo->trigger();
    const std::optional<TBeatGrid> corrected = Form->Document().Soundtrack().Beats;
    QVERIFY(corrected);
    Prompts->ExpectTell();
    Ui().aSaveFile->trigger();
    Form.reset();
    CreateForm();
    QVERIFY(Form->OpenShow(show));
    QCOMPARE(Form->Document().Soundtrack().Beats, corrected);
    QCOMPARE(Inside().TimelineMusic->Beats(), *corrected);
    QVERIFY(NoUnexpectedPrompts());
}

QTEST_MAIN(TestSoundtrackUi)
#include "tst_soundtrack_ui.moc"
