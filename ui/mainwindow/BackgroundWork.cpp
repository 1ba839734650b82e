#include "BackgroundWork.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

// The box is window-modal only once it shows; until then a second command could
// start another wait inside this one.
bool BackgroundWaiting = false;

} // namespace

bool BackgroundWorkWaiting() { return BackgroundWaiting; }

bool RunInBackground(QWidget* parent, const QString& label, std::function<void()> work)
{
    if (BackgroundWaiting)
        return false;
    BackgroundWaiting = true;
    // The wait can end before the work does (the application quitting ends every
    // event loop): only work seen to be done counts.
    auto done = std::make_shared<std::atomic_bool>(false);
    QThread* thread = QThread::create([work = std::move(work), done] {
        work();
        done->store(true, std::memory_order_release);
    });
    // A cancelled thread runs to its end and then goes.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);

    QEventLoop loop;
    QProgressDialog box(label, QStringLiteral("Cancel"), 0, 0, parent);
    box.setObjectName(QLatin1String(BackgroundWorkBoxName));
    box.setWindowTitle(QStringLiteral("Skelmar"));
    box.setWindowModality(Qt::WindowModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    // Quick work ends before the box would flash up.
    box.setMinimumDuration(300);
    bool cancelled = false;
    QObject::connect(&box, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    BackgroundWaiting = false;
    return !cancelled && !box.wasCanceled() && done->load(std::memory_order_acquire);
}
