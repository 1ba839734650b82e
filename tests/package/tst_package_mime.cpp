// What a desktop makes of show files once Skelmar is installed. The package_install
// test installs into SKELMAR_PREFIX; CTest puts its share/ first in XDG_DATA_DIRS.
#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ShowType = QStringLiteral("application/x-skelmar-show");
const QString FrameType = QStringLiteral("application/x-skelmar-frame");

QByteArray ShowHeader()
{
    return QByteArrayLiteral("RZ4P\x06");
}

} // namespace

class TestPackageMime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void typeOfFile_data();
    void typeOfFile();
    void frameIsAShow();
    void desktopEntryOpensTheInstalledTypes();
};

void TestPackageMime::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(SKELMAR_PREFIX "/share/mime/packages/skelmar.xml")),
             "run the package_install test first: it installs into " SKELMAR_PREFIX);
}

void TestPackageMime::typeOfFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("show") << "party.RZ4" << ShowHeader() << ShowType;
    QTest::newRow("show, lower-case extension") << "party.rz4" << ShowHeader() << ShowType;
    QTest::newRow("frame") << "star.RZ4-frame" << ShowHeader() << FrameType;
    QTest::newRow("frame, mixed-case extension") << "star.Rz4-Frame" << ShowHeader() << FrameType;
    // The extension decides even when the content is not (yet) a show.
    QTest::newRow("empty show") << "new.RZ4" << QByteArray() << ShowType;
    // Without an extension the magic finds the show.
    QTest::newRow("no extension") << "party" << (ShowHeader() + QByteArray(58, '\0')) << ShowType;
    // The compiled sound beside the show is not a show.
    QTest::newRow("compiled show") << "party.RZ4.WAV" << QByteArrayLiteral("RIFF\x24\0\0\0WAVEfmt ") << QString();
    QTest::newRow("other file, same stem") << "party.RZ4.txt" << QByteArrayLiteral("notes") << QString();
}

void TestPackageMime::typeOfFile()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const QString found = QMimeDatabase().mimeTypeForFile(file.fileName()).name();
    if (expected.isEmpty()) {
        QVERIFY2(found != ShowType && found != FrameType, qPrintable(found));
    } else {
        QCOMPARE(found, expected);
    }
}

void TestPackageMime::frameIsAShow()
{
    // A program that opens shows is offered for single frames too.
    const QMimeType frame = QMimeDatabase().mimeTypeForName(FrameType);
    QVERIFY(frame.isValid());
    QVERIFY(frame.inherits(ShowType));
    QVERIFY(!frame.comment().isEmpty());
    QVERIFY(!QMimeDatabase().mimeTypeForName(ShowType).comment().isEmpty());
}

void TestPackageMime::desktopEntryOpensTheInstalledTypes()
{
    QFile entry(QStringLiteral(SKELMAR_PREFIX "/share/applications/skelmar.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(entry.readAll());
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^MimeType=(.*)$"), QRegularExpression::MultilineOption).match(text);
    QVERIFY(line.hasMatch());
    const QStringList types = line.captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QCOMPARE(types, (QStringList{ShowType, FrameType}));
    // A type the MIME database does not know would leave the entry unused.
    for (const QString& type : types)
        QVERIFY2(QMimeDatabase().mimeTypeForName(type).isValid(), qPrintable(type));
}

QTEST_GUILESS_MAIN(TestPackageMime)
#include "tst_package_mime.moc"
