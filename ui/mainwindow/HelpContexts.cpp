#include "HelpContexts.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

QString HelpAnchor(int context)
{
    switch (context) {
    case HelpContext::ToolBars: return QStringLiteral("toolbars");
    case HelpContext::Menus: return QStringLiteral("menus");
    case HelpContext::PlaybackBar: return QStringLiteral("play");
    case HelpContext::FrameList: return QStringLiteral("framelist");
    case HelpContext::Sketchpad: return QStringLiteral("sketchpad");
    case HelpContext::Timeline: return QStringLiteral("timeline");
    case HelpContext::StatusBar: return QStringLiteral("statusbar");
    case HelpContext::Soundtrack: return QStringLiteral("soundtrack");
    case HelpContext::Beats: return QStringLiteral("beats");
    case HelpContext::TextFrame: return QStringLiteral("content");
    default: return QStringLiteral("HelpContents");
    }
}

// --- THelpContexts -------------------------------------------------------------------------------

namespace {

const QMenu* ParentMenu(const QMenu* menu)
{
    return qobject_cast<const QMenu*>(menu->parentWidget());
}

int MenuItemContext(const THelpContexts& contexts, const QMenu* menu, const QAction* item)
{
    while (menu) {
        if (item) {
            if (const int context = contexts.ItemOf(menu, item))
                return context;
        }
        if (const int context = contexts.Of(menu))
            return context;
        item = menu->menuAction();
        menu = ParentMenu(menu);
    }
    return HelpContext::None;
}

} // namespace

int THelpContexts::ForMenu(const QMenu* menu) const
{
    return menu ? MenuItemContext(*this, menu, menu->activeAction()) : HelpContext::None;
}

int THelpContexts::ForWidget(const QWidget* widget) const
{
    for (; widget; widget = widget->parentWidget()) {
        if (const int context = Of(widget))
            return context;
        if (widget->isWindow())
            break;
    }
    return HelpContext::None;
}

// --- the main window's contexts --------------------------------------------------------------------

namespace {

QMenu* MenuTitled(QMenuBar* bar, const QString& title)
{
    for (QAction* action : bar->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

// Every item of `menu` carries `context`, except those in `without` and those of its submenus.
void AssignMenu(THelpContexts& contexts, QMenu* menu, int context, const QList<const QAction*>& without = {})
{
    if (!menu)
        return;
    contexts.Set(menu, context);
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            continue;
        contexts.SetItem(menu, item, without.contains(item) ? HelpContext::None : context);
        if (QMenu* sub = item->menu()) {
            contexts.Set(sub, HelpContext::None);
            for (const QAction* subItem : sub->actions())
                contexts.SetItem(sub, subItem, HelpContext::None);
        }
    }
}

// An element of the window by its object name; asserted to be there.
template <typename T>
T* NamedElement(QMainWindow& window, const char* name)
{
    T* element = window.findChild<T*>(QLatin1String(name));
    Q_ASSERT(element);
    return element;
}

} // namespace

void AssignMainWindowHelpContexts(QMainWindow& window, THelpContexts& contexts)
{
    const auto bar = [&window](const char* name) { return NamedElement<QToolBar>(window, name); };
    const auto item = [&window](const char* name) { return static_cast<const QAction*>(NamedElement<QAction>(window, name)); };
    const QList<QToolBar*> bars{bar("toolbarFiles"), bar("toolbarTools"), bar("toolbarDisplay"),
                                bar("toolbarPointsFrames")};
    for (QToolBar* b : bars)
        contexts.Set(b, HelpContext::ToolBars);
    contexts.Set(bar("toolbarPlay"), HelpContext::PlaybackBar);
    contexts.Set(NamedElement<QDockWidget>(window, "panelLeft"), HelpContext::FrameList);
    contexts.Set(NamedElement<QMenu>(window, "pmFrame"), HelpContext::FrameList);
    contexts.Set(NamedElement<QMdiSubWindow>(window, "SketchpadWindow"), HelpContext::Sketchpad);
    contexts.Set(NamedElement<QDockWidget>(window, "toolwinTimeline"), HelpContext::Timeline);
    contexts.Set(NamedElement<QStatusBar>(window, "sbFrame"), HelpContext::StatusBar);
    // The drop-down menus of the tool buttons belong to their bars.
    for (QToolBar* b : bars)
        for (const QToolButton* button : b->findChildren<QToolButton*>())
            if (button->menu())
                contexts.Set(button->menu(), HelpContext::ToolBars);

    QMenuBar* menus = window.menuBar();
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&File")), HelpContext::Menus);
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&Edit")), HelpContext::None);
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&Project")), HelpContext::Menus, {item("aShowPreview")});
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("F&rame")), HelpContext::Menus,
               {item("aCutFrameToClipboard"), item("aCopyFrameToClipboard"), item("aPasteFrameFromClipboard"),
                item("miFrameFlipX2"), item("miFrameFlipY"), item("miFrameFlipD"), item("miCenterFrame"),
                item("miRotateFrame"), item("miScale"), item("miSetRotPoint")});
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&Settings")), HelpContext::Menus, {item("miDelays")});
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&Windows")), HelpContext::Menus);
    AssignMenu(contexts, MenuTitled(menus, QStringLiteral("&Help")), HelpContext::Menus);

    // Commands with a section of their own, wherever their menu is.
    const std::pair<const char*, int> own[] = {
        {"aSoundtrack", HelpContext::Soundtrack},      {"aRemoveSoundtrack", HelpContext::Soundtrack},
        {"aFitFramesToBeats", HelpContext::Soundtrack}, {"miSoundOutputs", HelpContext::Soundtrack},
        {"aInsertText", HelpContext::TextFrame}};
    for (QMenu* menu : window.findChildren<QMenu*>())
        for (const auto& [name, context] : own)
            if (menu->actions().contains(const_cast<QAction*>(item(name))))
                contexts.SetItem(menu, item(name), context);
    QMenu* beats = NamedElement<QMenu>(window, "pmBeats");
    contexts.Set(beats, HelpContext::Beats);
    for (const QAction* beatItem : beats->actions())
        contexts.SetItem(beats, beatItem, HelpContext::Beats);
    if (const QMenu* project = MenuTitled(menus, QStringLiteral("&Project")))
        contexts.SetItem(project, beats->menuAction(), HelpContext::Beats);
}

// --- THelpRequests -------------------------------------------------------------------------------

namespace {

bool IsHelpKey(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void CloseMenus()
{
    // Each close hands the pointer to the menu below, up to the menu bar.
    for (int guard = 0; guard < 16 && QApplication::activePopupWidget(); ++guard)
        QApplication::activePopupWidget()->close();
}

} // namespace

THelpRequests::THelpRequests(QWidget* window, std::function<void(int context)> showHelp)
    : QObject(window), Window(window), ShowHelp(std::move(showHelp))
{
    setObjectName(QStringLiteral("HelpRequests"));
    aWhatsThis = new QAction(QStringLiteral("What's this?"), window);
    aWhatsThis->setObjectName(QStringLiteral("aWhatsThis"));
    aWhatsThis->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(aWhatsThis, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    window->addAction(aWhatsThis);
    qApp->installEventFilter(this);
}

THelpRequests::~THelpRequests()
{
    qApp->removeEventFilter(this);
}

bool THelpRequests::OwnMenu(const QMenu* menu) const
{
    for (const QWidget* w = menu; w; w = w->parentWidget())
        if (w == Window)
            return true;
    return false;
}

bool THelpRequests::OwnWidget(const QObject* object) const
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->window() == Window;
}

void THelpRequests::Answer(int context)
{
    if (QWhatsThis::inWhatsThisMode())
        QWhatsThis::leaveWhatsThisMode();
    if (ShowHelp)
        ShowHelp(context);
}

bool THelpRequests::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        if (!IsHelpKey(event))
            break;
        // The help key belongs to the context here, not to "Help Contents".
        const bool press = event->type() == QEvent::KeyPress;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            if (!OwnMenu(menu))
                break;
            event->accept();
            if (press) {
                const int context = Contexts.ForMenu(menu);
                CloseMenus();
                Answer(context);
            }
            return true;
        }
        if (QApplication::activePopupWidget() || !OwnWidget(watched))
            break;
        event->accept();
        if (press)
            Answer(Contexts.ForWidget(static_cast<QWidget*>(watched)));
        return true;
    }
    case QEvent::QueryWhatsThis:
        if (!OwnWidget(watched))
            break;
        event->accept();
        return true;
    case QEvent::WhatsThis:
        if (!OwnWidget(watched))
            break;
        event->accept();
        Answer(Contexts.ForWidget(static_cast<QWidget*>(watched)));
        return true;
    case QEvent::MouseButtonRelease: {
        // Menus open as usual in "What's this" mode; the item released on is the one asked about.
        auto* menu = qobject_cast<QMenu*>(watched);
        if (!menu || !QWhatsThis::inWhatsThisMode() || !OwnMenu(menu))
            break;
        const QAction* item = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (!item || item->isSeparator() || item->menu())
            break;
        const int context = MenuItemContext(Contexts, menu, item);
        CloseMenus();
        Answer(context);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

THelpRequests* InstallHelpContexts(QMainWindow& window, std::function<void(int context)> showHelp)
{
    auto* requests = new THelpRequests(&window, std::move(showHelp));
    AssignMainWindowHelpContexts(window, requests->Contexts);
    return requests;
}
