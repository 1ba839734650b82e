// Help asked for on an element of the main window opens the manual at that
// element's section: F1 on the focused element or an open menu, and "What's this".
#include "FrameList.h"
#include "HelpContexts.h"
#include "HelpWindow.h"
#include "MainWindowFixture.h"
#include "Soundtrack.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>
#include <QtTest>

class TestHelpContexts : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init();
    void cleanup();

    void toolBars_data();
    void toolBars();
    void menuItems_data();
    void menuItems();
    void anchorsExist();
    void helpKeyOnFocusedElement_data();
    void helpKeyOnFocusedElement();
    void helpKeyInOpenMenu_data();
    void helpKeyInOpenMenu();
    void whatsThisOnButton();
    void whatsThisOnMenuItem();
    void helpContentsOpensStartPage();

private:
    THelpRequests* Requests() const { return Form->findChild<THelpRequests*>(); }
    QMenu* Menu(const QString& path) const;   // "&File" or "&File/&Import"
    QAction* Item(const QString& name) const { return Form->findChild<QAction*>(name); }
};

void TestHelpContexts::init()
{
    InitFixture();
    CreateForm({}, true);
    Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form.get()));
}

void TestHelpContexts::cleanup()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (QWhatsThis::inWhatsThisMode())
        QWhatsThis::leaveWhatsThisMode();
    CleanupFixture();
}

QMenu* TestHelpContexts::Menu(const QString& path) const
{
    QList<QAction*> actions = Form->menuBar()->actions();
    QMenu* menu = nullptr;
    for (const QString& title : path.split('/')) {
        menu = nullptr;
        for (QAction* action : actions)
            if (action->menu() && action->text() == title)
                menu = action->menu();
        if (!menu)
            return nullptr;
        actions = menu->actions();
    }
    return menu;
}

void TestHelpContexts::toolBars_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("context");
    QTest::newRow("file operations") << "tbOpen" << HelpContext::ToolBars;
    QTest::newRow("working tools") << "tbZoom" << HelpContext::ToolBars;
    QTest::newRow("display options") << "sbShowGrid" << HelpContext::ToolBars;
    QTest::newRow("point & frame properties") << "sbLock" << HelpContext::ToolBars;
    QTest::newRow("playback panel") << "tbLive" << HelpContext::PlaybackBar;
}

void TestHelpContexts::toolBars()
{
    QFETCH(QString, button);
    QFETCH(int, context);
    auto* widget = Form->findChild<QToolButton*>(button);
    QVERIFY(widget);
    QCOMPARE(Requests()->Contexts.ForWidget(widget), context);
    QCOMPARE(Requests()->Contexts.Of(widget->parentWidget()), context);
}

void TestHelpContexts::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("own");        // the item's own context
    QTest::addColumn<int>("asked");      // where help on it lands
    const int menus = HelpContext::Menus, none = HelpContext::None;
    QTest::newRow("open") << "&File" << "aOpenFile" << menus << menus;
    QTest::newRow("exit") << "&File" << "miExit" << menus << menus;
    QTest::newRow("import frame under import") << "&File/&Import" << "aImportFrame" << none << menus;
    QTest::newRow("import show under import") << "&File/&Import" << "aImportShow" << none << menus;
    QTest::newRow("import show in project") << "&Project" << "aImportShow" << menus << menus;
    QTest::newRow("show preview") << "&Project" << "aShowPreview" << none << menus;
    QTest::newRow("create wavefile") << "&Project" << "aCreateWavefile" << menus << menus;
    QTest::newRow("add frame") << "F&rame" << "aAddFrame" << menus << menus;
    QTest::newRow("import frame in frame") << "F&rame" << "aImportFrame" << menus << menus;
    QTest::newRow("cut frame") << "F&rame" << "aCutFrameToClipboard" << none << menus;
    QTest::newRow("paste frame") << "F&rame" << "aPasteFrameFromClipboard" << none << menus;
    QTest::newRow("flip d") << "F&rame" << "miFrameFlipD" << none << menus;
    QTest::newRow("center frame") << "F&rame" << "miCenterFrame" << none << menus;
    QTest::newRow("rotate frame") << "F&rame" << "miRotateFrame" << none << menus;
    QTest::newRow("scale frame") << "F&rame" << "miScale" << none << menus;
    QTest::newRow("set centres") << "F&rame" << "miSetRotPoint" << none << menus;
    QTest::newRow("renumber") << "F&rame" << "miRenum" << menus << menus;
    QTest::newRow("show points") << "&Settings" << "miShowPoints" << menus << menus;
    QTest::newRow("driver delays") << "&Settings" << "miDelays" << none << menus;
    QTest::newRow("timeline panel") << "&Windows" << "miPanelTimeline" << menus << menus;
    QTest::newRow("about") << "&Help" << "miAbout" << menus << menus;
    QTest::newRow("undo") << "&Edit" << "miUndo" << none << none;
}

void TestHelpContexts::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(int, own);
    QFETCH(int, asked);
    QMenu* m = Menu(menu);
    QVERIFY(m);
    QAction* action = Item(item);
    QVERIFY(action);
    QVERIFY(m->actions().contains(action));
    QCOMPARE(Requests()->Contexts.ItemOf(m, action), own);
    m->popup(QPoint(10, 10));
    m->setActiveAction(action);
    QCOMPARE(Requests()->Contexts.ForMenu(m), asked);
    m->close();
}

void TestHelpContexts::anchorsExist()
{
    Ui().aHelpContents->trigger();
    QTextDocument* page = Inside().FormHelp->browser->document();
    for (int context : {HelpContext::None, HelpContext::ToolBars, HelpContext::Menus, HelpContext::PlaybackBar,
                        HelpContext::FrameList, HelpContext::Sketchpad, HelpContext::Timeline,
                        HelpContext::StatusBar, HelpContext::Soundtrack, HelpContext::Beats,
                        HelpContext::TextFrame}) {
        const QString anchor = HelpAnchor(context);
        QVERIFY2(page->toHtml().contains(QStringLiteral("name=\"%1\"").arg(anchor)), qPrintable(anchor));
    }
}

void TestHelpContexts::helpKeyOnFocusedElement_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("frame list") << "frame list" << "framelist";
    QTest::newRow("sketchpad") << "sketchpad" << "sketchpad";
}

void TestHelpContexts::helpKeyOnFocusedElement()
{
    QFETCH(QString, element);
    QFETCH(QString, anchor);
    QWidget* widget = element == "frame list" ? static_cast<QWidget*>(Inside().lbThumbs)
                                              : static_cast<QWidget*>(Inside().Sketchpad->pad);
    widget->setFocus();
    QVERIFY(!Inside().FormHelp->isVisible());
    QTest::keyClick(widget, Qt::Key_F1);
    QVERIFY(Inside().FormHelp->isVisible());
    QCOMPARE(Inside().FormHelp->Anchor(), anchor);
}

void TestHelpContexts::helpKeyInOpenMenu_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("file, open") << "&File" << "aOpenFile" << "menus";
    QTest::newRow("help, help contents") << "&Help" << "aHelpContents" << "menus";
    QTest::newRow("import submenu") << "&File/&Import" << "aImportIlda" << "menus";
    QTest::newRow("project, nothing highlighted") << "&Project" << "" << "menus";
    QTest::newRow("edit, undo") << "&Edit" << "miUndo" << "HelpContents";
    // Commands with a section of their own.
    QTest::newRow("soundtrack") << "&Project" << "aSoundtrack" << "soundtrack";
    QTest::newRow("remove soundtrack") << "&Project" << "aRemoveSoundtrack" << "soundtrack";
    QTest::newRow("fit frames to beats") << "F&rame" << "aFitFramesToBeats" << "soundtrack";
    QTest::newRow("sound outputs") << "&Settings" << "miSoundOutputs" << "soundtrack";
    QTest::newRow("insert text frame") << "F&rame" << "aInsertText" << "content";
    QTest::newRow("beats submenu, halve tempo") << "&Project/&Beats" << "aHalveTempo" << "beats";
}

void TestHelpContexts::helpKeyInOpenMenu()
{
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QString, anchor);
    QMenu* m = Menu(menu);
    QVERIFY(m);
    // The soundtrack's commands are there to be highlighted once the show has one.
    if (item == "aRemoveSoundtrack" || menu.endsWith("&Beats"))
        Form->Document().SetSoundtrack(TSoundtrack{Dir->filePath("song.flac"), 0}, QStringLiteral("Soundtrack"));
    m->popup(Form->mapToGlobal(QPoint(20, 20)));
    QVERIFY(QTest::qWaitForWindowExposed(m));
    if (!item.isEmpty())
        m->setActiveAction(Item(item));
    QTest::keyClick(m, Qt::Key_F1);
    QVERIFY(Inside().FormHelp->isVisible());
    QCOMPARE(Inside().FormHelp->Anchor(), anchor);
    // The menu went away, and nothing it holds was run.
    QVERIFY(!m->isVisible());
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestHelpContexts::whatsThisOnButton()
{
    QAction* whatsThis = Item("aWhatsThis");
    QVERIFY(whatsThis);
    QCOMPARE(whatsThis->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    whatsThis->trigger();
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QTest::mouseClick(Ui().tbOpen, Qt::LeftButton);
    QVERIFY(Inside().FormHelp->isVisible());
    QCOMPARE(Inside().FormHelp->Anchor(), QStringLiteral("toolbars"));
    QVERIFY(!QWhatsThis::inWhatsThisMode());
    // The click asked about the button; it did not run it.
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestHelpContexts::whatsThisOnMenuItem()
{
    QMenu* m = Menu("&Project");
    Item("aWhatsThis")->trigger();
    m->popup(Form->mapToGlobal(QPoint(20, 20)));
    QVERIFY(QTest::qWaitForWindowExposed(m));
    const QRect at = m->actionGeometry(Ui().aShowPreview);
    QTest::mouseClick(m, Qt::LeftButton, {}, at.center());
    QCOMPARE(Inside().FormHelp->Anchor(), QStringLiteral("menus"));
    QVERIFY(!QWhatsThis::inWhatsThisMode());
    QVERIFY(!m->isVisible());
    // "Show preview" was not run: it would have said the show needs compiling.
    QVERIFY(Prompts->Shown.isEmpty());
}

void TestHelpContexts::helpContentsOpensStartPage()
{
    Inside().lbThumbs->setFocus();
    Ui().aHelpContents->trigger();
    QVERIFY(Inside().FormHelp->isVisible());
    QCOMPARE(Inside().FormHelp->Anchor(), QStringLiteral("HelpContents"));
}

QTEST_MAIN(TestHelpContexts)
#include "tst_helpcontexts.moc"
