#include "GuardedApplication.h"

#include <cstdio>
#include <exception>
#include <new>

TGuardedApplication::TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        Report(QStringLiteral("Not enough memory to finish the command."));
    } catch (const std::exception& e) {
        Report(QStringLiteral("The command stopped with an unexpected error: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        Report(QStringLiteral("The command stopped with an unexpected error."));
    }
    return false;
}

void TGuardedApplication::Report(const QString& message)
{
    // The message box runs events of its own; a second failure meanwhile is only printed.
    if (FReporter && !FReporting) {
        FReporting = true;
        try {
            FReporter(message);
        } catch (...) {
            std::fprintf(stderr, "skelmar: %s\n", qPrintable(message));
        }
        FReporting = false;
        return;
    }
    std::fprintf(stderr, "skelmar: %s\n", qPrintable(message));
}
