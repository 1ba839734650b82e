// No exception leaves the editor's event loop: one thrown by a command ends that
// command with a message, and events go on being delivered.
#include "GuardedApplication.h"

#include <QTimer>
#include <QtTest>
#include <new>
#include <stdexcept>

namespace {

// Throws from its event handler what the test asks for.
class TThrower : public QObject {
public:
    int Thrown = 0;
    std::function<void()> Throw;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            ++Thrown;
            Throw();
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

class TestGuardedApp : public QObject {
    Q_OBJECT

private slots:
    void exceptionsEndInAMessage_data();
    void exceptionsEndInAMessage();
};

void TestGuardedApp::exceptionsEndInAMessage_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("out of memory") << 0 << "Not enough memory to finish the command.";
    QTest::newRow("standard exception") << 1 << "The command stopped with an unexpected error: broken";
    QTest::newRow("anything else") << 2 << "The command stopped with an unexpected error.";
}

void TestGuardedApp::exceptionsEndInAMessage()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    auto* app = static_cast<TGuardedApplication*>(QCoreApplication::instance());
    QStringList shown;
    app->SetReporter([&shown](const QString& text) { shown << text; });
    TThrower thrower;
    thrower.Throw = [kind] {
        if (kind == 0)
            throw std::bad_alloc();
        if (kind == 1)
            throw std::runtime_error("broken");
        throw 42;
    };
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&later] { later = true; });
    QTRY_VERIFY(later); // the loop goes on after the failed command
    QCOMPARE(thrower.Thrown, 1);
    QCOMPARE(shown, QStringList{message});
    app->SetReporter({});
}

int main(int argc, char* argv[])
{
    TGuardedApplication app(argc, argv);
    TestGuardedApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guardedapp.moc"
