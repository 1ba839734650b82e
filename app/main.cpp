#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

namespace {
// Qt aborts with a long diagnostic when no display can be opened; say it in one line.
bool DisplayAvailable()
{
    const auto has = [](const char* name) { return qEnvironmentVariableIsSet(name) && !qEnvironmentVariableIsEmpty(name); };
    return has("QT_QPA_PLATFORM") || has("DISPLAY") || has("WAYLAND_DISPLAY");
}
} // namespace

int main(int argc, char* argv[])
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "skelmar: no display found (set DISPLAY, or run it under xvfb-run)\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Skelmar 4 Wendrill RZ4 - Pudlo Mixer"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
