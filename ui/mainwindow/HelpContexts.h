#pragma once

#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QWidget;

// Help context numbers of the main window's elements. 0 carries none: asking for
// help there falls back to the element around it, and in the end to the start page.
namespace HelpContext {
constexpr int None = 0;
constexpr int ToolBars = 3;
constexpr int Menus = 5;
// Elements the manual has a section of its own for.
constexpr int PlaybackBar = 20;
constexpr int FrameList = 21;
constexpr int Sketchpad = 22;
constexpr int Timeline = 23;
constexpr int StatusBar = 24;
constexpr int Soundtrack = 25;   // the soundtrack, its outputs and Fit frames to beats
constexpr int Beats = 26;        // correcting the beats
constexpr int TextFrame = 27;    // drawings and text as frames
}

// The manual's anchor for a help context; "HelpContents" (the start page) for none.
QString HelpAnchor(int context);

// Who carries which help context, and which context a request for help lands on.
// A menu item is an action in one menu: an action shared by two menus may carry
// a context in one and none in the other.
class THelpContexts {
public:
    void Set(const QObject* element, int context) { Contexts[element] = context; }
    void SetItem(const QMenu* menu, const QAction* item, int context) { Items[{menu, item}] = context; }
    int Of(const QObject* element) const { return Contexts.value(element, HelpContext::None); }
    int ItemOf(const QMenu* menu, const QAction* item) const { return Items.value({menu, item}, HelpContext::None); }

    // An open menu: its highlighted item, else the menu, else the item it hangs from, and so on up.
    int ForMenu(const QMenu* menu) const;
    // A widget: its own context, else that of the widgets around it within its window.
    int ForWidget(const QWidget* widget) const;

private:
    QHash<const QObject*, int> Contexts;
    QHash<QPair<const QMenu*, const QAction*>, int> Items;
};

// The contexts of the main window: tool bars 3; the File, Project, Frame, Settings,
// Windows and Help menus and their items 5, except the items of the Import submenu,
// "Show preview", the frame clipboard, flip, centre, rotate, scale and centre-setting
// items and "Driver delays"; the Edit menu and "Undo" carry none. The soundtrack's
// commands and "Sound outputs" carry 25, the Beats submenu and its items 26, "Insert
// text frame" 27: each has a section of the manual of its own.
// The elements are found by their object names.
void AssignMainWindowHelpContexts(QMainWindow& window, THelpContexts& contexts);

// Help asked for in the main window: F1 on the focused element or on an open menu,
// and clicks in "What's this" mode (Shift+F1). `showHelp` gets the context found.
class THelpRequests : public QObject {
    Q_OBJECT
public:
    THelpRequests(QWidget* window, std::function<void(int context)> showHelp);
    ~THelpRequests() override;

    THelpContexts Contexts;
    QAction* aWhatsThis = nullptr;   // Shift+F1

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OwnMenu(const QMenu* menu) const;
    bool OwnWidget(const QObject* object) const;
    void Answer(int context);

    QWidget* Window;
    std::function<void(int)> ShowHelp;
};

// Builds the main window's help contexts and puts F1 and "What's this" to work;
// `showHelp` opens the manual at a context's anchor.
THelpRequests* InstallHelpContexts(QMainWindow& window, std::function<void(int context)> showHelp);
