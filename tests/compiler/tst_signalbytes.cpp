// The compiled bytes of generated shows, pinned: any change to the arithmetic of
// rendering or of a transition, however small, changes a hash here.
#include "Builders.h"
#include "RandomShows.h"
#include "WaveCompiler.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A run of generated shows and the SHA-256 of their WAV files one after another.
struct TPinned {
    quint64 FirstSeed;
    int Shows;
    int Scale;
    const char* Sha256;
};

// Worked out by the compiler as it stood before any shortcut through the
// transitions' arithmetic.
constexpr TPinned Pinned[] = {
    {1, 50, 1,
        "075bcef0c13c6ff0f333251af4dc9dda36e979b0d04b4175797ec4ff4eb39533"},
    {51, 50, 1,
        "8160794d4a53720e144af99ec6e07eaa2e089d185a7dc05e358f6e3e5e5a35d4"},
    {101, 50, 1,
        "40d834e5f04457355b721a1cfac849887d37c48121b2edabcde9fd6e5e29b486"},
    {151, 50, 1,
        "cd127e8b3d1ed24ede6b74b9c799debb7984e034e7f44139a859b7a57845ebee"},
    {201, 50, 1,
        "ff6400736f0285f6cb18370882b1b322821e3b3e38a579f7bebcc334a39c7fe8"},
    {251, 50, 1,
        "51235e04c39c9592c4ac7db2b73db2ec17de0f3372be0dc0c4e30e8ea23efc0e"},
    {301, 50, 1,
        "bb3a55d34e170cc5de30e75fe509d204d32452fb1eddc3b564ef10b0da3a484c"},
    {351, 50, 1,
        "609e1a91bb8ca3c549a3b3dc1c310659856ed1a7b0236987cba335cfbe3acb74"},
    {1001, 50, 4,
        "f0bc53790778292a382a679b4212c18978cf8c86efffe1c9d80a8b5d777bb82d"},
    {1051, 50, 4,
        "c02afbe8288ad6220bc615dcf0f0a1c530dbcd86091cdbbab1d21eca778e4eae"},
    {2001, 40, 16,
        "4bad35498e3155d549c40ffa3f72b6a73eb8543efb417ea511ce7a1024dcfdb0"},
};

} // namespace

class TestSignalBytes : public QObject {
    Q_OBJECT

private slots:
    void pinnedShows_data();
    void pinnedShows();
};

void TestSignalBytes::pinnedShows_data()
{
    QTest::addColumn<quint64>("firstSeed");
    QTest::addColumn<int>("shows");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QByteArray>("sha256");
    for (const TPinned& p : Pinned)
        QTest::addRow("seeds %llu-%llu x%d", static_cast<unsigned long long>(p.FirstSeed),
                      static_cast<unsigned long long>(p.FirstSeed + p.Shows - 1), p.Scale)
            << p.FirstSeed << p.Shows << p.Scale << QByteArray(p.Sha256);
}

void TestSignalBytes::pinnedShows()
{
    QFETCH(quint64, firstSeed);
    QFETCH(int, shows);
    QFETCH(int, scale);
    QFETCH(QByteArray, sha256);
    QTemporaryDir dir;
    const QString wav = dir.filePath("show.RZ4.WAV");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (quint64 seed = firstSeed; seed < firstSeed + quint64(shows); ++seed) {
        TRandomShow random;
        FillRandomShow(random, seed, scale);
        const TCompileResult result = CompileShow(random.Show, wav, random.Options);
        QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
        const QByteArray bytes = ReadFile(wav);
        QCOMPARE(qint64(bytes.size()), result.bytes);
        hash.addData(bytes);
    }
    QCOMPARE(hash.result().toHex(), sha256);
}

QTEST_GUILESS_MAIN(TestSignalBytes)
#include "tst_signalbytes.moc"
