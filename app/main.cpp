#include "Artwork.h"
#include "FormUnitMain.h"
#include "GuardedApplication.h"
#include "OutputFile.h"
#include "Prompts.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <cstdio>
#include <cstdlib>

namespace {
// Qt aborts with a long diagnostic when no display can be opened; say it in one line.
bool DisplayAvailable()
{
    const auto has = [](const char* name) { return qEnvironmentVariableIsSet(name) && !qEnvironmentVariableIsEmpty(name); };
    return has("QT_QPA_PLATFORM") || has("DISPLAY") || has("WAYLAND_DISPLAY");
}

// The installed desktop icon, in the sizes window managers pick from.
QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/appicon/%1.png").arg(size), QSize(size, size));
    return icon.isNull() ? AppIcon() : icon;
}
} // namespace

int main(int argc, char* argv[])
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "skelmar: no display found (set DISPLAY, or run it under xvfb-run)\n");
        return 1;
    }
    // A compile stopped by a signal leaves no temporary file behind.
    InstallInterruptCleanup();
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
    QApplication::setOrganizationName(QStringLiteral("Tolvic Software"));
    QApplication::setWindowIcon(ProgramIcon());
    // Lets the desktop match the window to the installed skelmar.desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("skelmar"));

    const std::unique_ptr<QSettings> settings = OpenProgramSettings();
    // The dialogs want the main window as their parent, and the main window wants the
    // prompts: the prompts get their parent once the window exists.
    TQtPrompts prompts(nullptr);
    TFormMain form(*settings, prompts, QCoreApplication::applicationDirPath());
    prompts = TQtPrompts(&form);
    app.SetReporter([&prompts](const QString& message) { prompts.Tell(TMsgIcon::Error, message); });
    form.setWindowIcon(QApplication::windowIcon());

    // The window comes first, so that a message about the file stands over it.
    form.show();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        form.OpenCommandLineFile(arguments.at(1));
    const int status = app.exec();
    app.SetReporter({}); // the prompts go before the application object
    return status;
}
