#include "HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Skelmar Help"));
    setModal(false);
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("browser"));
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    // Wide enough for the manual's screenshot of the main window.
    resize(860, 700);
}

void THelpWindow::ShowContents()
{
    ShowAt(QStringLiteral("HelpContents"));
}

void THelpWindow::ShowAt(const QString& anchor)
{
    if (!Loaded) {
        browser->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
        Loaded = true;
    }
    ShownAnchor = anchor;
    show();
    raise();
    activateWindow();
    // After show: a browser scrolls to an anchor only once it has its size.
    browser->scrollToAnchor(anchor);
}
