#pragma once

#include <QApplication>
#include <functional>

// The editor's application object. No exception may leave the event loop: one that
// a command let through (running out of memory, mostly) ends that command with a
// message, and the editor keeps running with what it holds.
class TGuardedApplication : public QApplication {
public:
    TGuardedApplication(int& argc, char** argv);

    // Shows the message (an error box); until set, the message goes to stderr.
    void SetReporter(std::function<void(const QString&)> reporter) { FReporter = std::move(reporter); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(const QString& message);

    std::function<void(const QString&)> FReporter;
    bool FReporting = false;
};
