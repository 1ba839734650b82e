#pragma once

#include <QDialog>

class QTextBrowser;

// The program's help: one HTML page from the resources, shown in a plain browser
// window. The page is loaded the first time the window is shown, not at start-up.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the window at the page's start ("HelpContents").
    void ShowContents();
    // Shows the window at the section named `anchor`.
    void ShowAt(const QString& anchor);
    QString Anchor() const { return ShownAnchor; }   // the section shown last

    QTextBrowser* browser = nullptr;

private:
    bool Loaded = false;
    QString ShownAnchor;
};
