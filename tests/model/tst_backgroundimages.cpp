// Background images named in a show: only regular files are read (a pipe or a
// device would block the reader), each distinct file is decoded once and shared by
// the frames that name it, and a reader that never shows them can skip them.
#include "BackgroundImage.h"
#include "ChildRun.h"
#include "ShowFile.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QImage Picture(QRgb colour)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// A show of one frame per name, each naming that background image.
void WriteShowNaming(const QString& path, const QStringList& images)
{
    TLaserFrames show;
    for (const QString& image : images)
        show.Add().ImageFile = image;
    QVERIFY(WriteShowFile(path, show).ok);
}

} // namespace

class TestBackgroundImages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Dir.reset(); }
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void eachFileIsDecodedOnceAndShared();
    void readerWithoutImagesKeepsTheNames();

private:
    QString Path(const QString& name) const { return Dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> Dir;
};

void TestBackgroundImages::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    QVERIFY(Picture(qRgb(255, 0, 0)).save(Path("red.png")));
    QVERIFY(Picture(qRgb(0, 0, 255)).save(Path("blue.bmp")));
    QVERIFY(QFile::copy(Path("blue.bmp"), Path("blue.dat")));
    QCOMPARE(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
    QVERIFY(QFile::link(Path("pipe"), Path("link-to-pipe.png")));
    QVERIFY(QDir(Dir->path()).mkdir("folder.png"));
}

void TestBackgroundImages::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("loads");
    QTest::newRow("picture") << "red.png" << true;
    QTest::newRow("bitmap") << "blue.bmp" << true;
    QTest::newRow("bitmap whose name says nothing of its kind") << "blue.dat" << true;
    QTest::newRow("pipe") << "pipe" << false;
    QTest::newRow("link to a pipe") << "link-to-pipe.png" << false;
    QTest::newRow("folder") << "folder.png" << false;
    QTest::newRow("terminal or stream") << "/dev/stdin" << false;
    QTest::newRow("endless device") << "/dev/zero" << false;
    QTest::newRow("missing") << "none.png" << false;
}

void TestBackgroundImages::onlyRegularFilesAreRead()
{
    QFETCH(QString, image);
    QFETCH(bool, loads);
    const QString name = image.startsWith('/') ? image : Path(image);
    const QString show = Path("show.RZ4");
    WriteShowNaming(show, {name});
    // In a child with a time limit: a reader that blocks fails the test instead of hanging it.
    TLimits limits;
    limits.TimeoutSeconds = 20;
    const TChildResult child = RunInChild([&] {
        TLaserFrames read;
        const TShowFileResult result = ReadShowFile(read, show);
        if (!result.outcome.ok || read.Count() != 1 || read.Frame(0).ImageFile != name)
            return QByteArray("not read: ") + result.outcome.message.toUtf8();
        return QByteArray(read.Frame(0).Image.isNull() ? "no image" : "image");
    }, limits);
    QVERIFY2(child.Exited, "the reader blocked");
    QCOMPARE(child.Output, QByteArray(loads ? "image" : "no image"));
    QVERIFY(QFileInfo(Path("pipe")).exists());
}

void TestBackgroundImages::eachFileIsDecodedOnceAndShared()
{
    const QString show = Path("show.RZ4");
    WriteShowNaming(show, {Path("red.png"), Path("blue.bmp"), Path("red.png"), Path("red.png"), QString()});
    TLaserFrames read;
    QVERIFY(ReadShowFile(read, show).outcome.ok);
    const QImage& first = read.Frame(0).Image;
    QCOMPARE(first.pixel(5, 5), qRgb(255, 0, 0));
    QCOMPARE(read.Frame(1).Image.pixel(5, 5), qRgb(0, 0, 255));
    // One decoded picture behind every frame that names the file.
    for (int k : {2, 3}) {
        QCOMPARE(read.Frame(k).Image.cacheKey(), first.cacheKey());
        QCOMPARE(read.Frame(k).Image.constBits(), first.constBits());
    }
    QVERIFY(read.Frame(1).Image.cacheKey() != first.cacheKey());
    QVERIFY(read.Frame(4).Image.isNull());

    // Shared until one frame's picture changes: the others keep theirs.
    read.Frame(2).Image.setPixel(0, 0, qRgb(0, 255, 0));
    QCOMPARE(read.Frame(3).Image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(read.Frame(0).Image.pixel(0, 0), qRgb(255, 0, 0));
}

void TestBackgroundImages::readerWithoutImagesKeepsTheNames()
{
    const QString show = Path("show.RZ4");
    WriteShowNaming(show, {Path("red.png"), Path("pipe")});
    TLaserFrames read;
    TShowReadOptions options;
    options.LoadImages = false;
    QVERIFY(ReadShowFile(read, show, options).outcome.ok);
    QCOMPARE(read.Frame(0).ImageFile, Path("red.png"));
    QVERIFY(read.Frame(0).Image.isNull());
    QCOMPARE(read.Frame(1).ImageFile, Path("pipe"));
    // And it writes back the same bytes.
    QVERIFY(WriteShowFile(Path("again.RZ4"), read).ok);
    QFile a(show), b(Path("again.RZ4"));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());
}

QTEST_GUILESS_MAIN(TestBackgroundImages)
#include "tst_backgroundimages.moc"
