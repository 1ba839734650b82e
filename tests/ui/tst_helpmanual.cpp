// The manual as the help window shows it: every picture and every link inside the page
// must resolve, and the page must fit the window it opens in.
#include "HelpWindow.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

// Resources of a static library must be registered by name, outside any namespace.
static void InitManualResources()
{
    Q_INIT_RESOURCE(skelmar);
}

class TestHelpManual : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void picturesLoad();
    void linksReachAnAnchor();
    void picturesInTheFolderAreShown_data();
    void picturesInTheFolderAreShown();
    void pageFitsTheWindow();

private:
    // Every fragment of the page, tables included.
    template <typename F> void ForEachFragment(F f) const
    {
        for (QTextBlock block = Help->browser->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                f(it.fragment());
    }
    QStringList ImageNames() const;

    std::unique_ptr<THelpWindow> Help;
};

void TestHelpManual::initTestCase()
{
    InitManualResources();
    Help = std::make_unique<THelpWindow>();
    Help->ShowContents();
    QVERIFY(QTest::qWaitForWindowExposed(Help.get()));
    QVERIFY(!Help->browser->toPlainText().isEmpty());
}

QStringList TestHelpManual::ImageNames() const
{
    QStringList names;
    ForEachFragment([&](const QTextFragment& fragment) {
        if (fragment.charFormat().isImageFormat())
            names << fragment.charFormat().toImageFormat().name();
    });
    return names;
}

void TestHelpManual::picturesLoad()
{
    const QStringList names = ImageNames();
    QVERIFY(!names.isEmpty());
    for (const QString& name : names) {
        // The browser's own lookup: relative to the page, from the resources.
        const QVariant resource = Help->browser->loadResource(QTextDocument::ImageResource, QUrl(name));
        QImage picture;
        if (resource.canConvert<QByteArray>() && !resource.toByteArray().isEmpty())
            picture.loadFromData(resource.toByteArray());
        else if (resource.canConvert<QImage>())
            picture = resource.value<QImage>();
        else if (resource.canConvert<QPixmap>())
            picture = resource.value<QPixmap>().toImage();
        QVERIFY2(!picture.isNull(), qPrintable(name + " does not load"));
        QVERIFY2(picture.width() <= 900, qPrintable(name + " is wider than 900 pixels"));
    }
}

void TestHelpManual::linksReachAnAnchor()
{
    QSet<QString> anchors;
    QStringList targets;
    ForEachFragment([&](const QTextFragment& fragment) {
        const QTextCharFormat format = fragment.charFormat();
        for (const QString& name : format.anchorNames())
            anchors << name;
        const QString href = format.anchorHref();
        if (href.startsWith(QLatin1Char('#')))
            targets << href.mid(1);
        else if (!href.isEmpty())
            QVERIFY2(href.startsWith(QLatin1String("http")), qPrintable("link to another page: " + href));
    });
    // The Help menu opens the page at this anchor.
    QVERIFY(anchors.contains(QStringLiteral("HelpContents")));
    QVERIFY(targets.size() > 20);
    for (const QString& target : targets)
        QVERIFY2(anchors.contains(target), qPrintable("no anchor \"" + target + "\""));
}

void TestHelpManual::picturesInTheFolderAreShown_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = QDir(QStringLiteral(SKELMAR_HELP_IMAGES)).entryList({QStringLiteral("*.png")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << file;
}

void TestHelpManual::picturesInTheFolderAreShown()
{
    // A screenshot taken for the manual must be compiled in and used by the page.
    QFETCH(QString, file);
    QVERIFY2(QFile::exists(QStringLiteral(":/help/images/") + file), "not in skelmar.qrc");
    QVERIFY2(ImageNames().contains(QStringLiteral("images/") + file), "not shown by the page");
}

void TestHelpManual::pageFitsTheWindow()
{
    // Text wraps; a picture or a table too wide for the window would need sideways scrolling.
    QTextDocument* page = Help->browser->document();
    QVERIFY2(page->idealWidth() <= page->textWidth(),
             qPrintable(QStringLiteral("page %1 wide in a window of %2").arg(page->idealWidth()).arg(page->textWidth())));
    QCOMPARE(Help->browser->horizontalScrollBar()->maximum(), 0);
}

QTEST_MAIN(TestHelpManual)
#include "tst_helpmanual.moc"
