#pragma once

// Included before each test file of a suite executable (one executable holding the
// test classes of several files that share fixtures; see tests/CMakeLists.txt).
// QTEST_MAIN, QTEST_GUILESS_MAIN and QTEST_APPLESS_MAIN all end in Qt's
// QTEST_MAIN_WRAPPER; redefined here, each file's main becomes an entry that the
// suite's main runs when its file is named on the command line.

#include <QTest>

#ifndef QTEST_MAIN_WRAPPER
#error "Qt Test no longer defines QTEST_MAIN_WRAPPER: test suites need another way in"
#endif

using TSuiteEntry = int (*)(int argc, char* argv[]);
bool RegisterSuiteEntry(const char* sourceFile, TSuiteEntry entry);

#define SKELMAR_SUITE_JOIN2(a, b) a##b
#define SKELMAR_SUITE_JOIN(a, b) SKELMAR_SUITE_JOIN2(a, b)

#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                     \
    static int SKELMAR_SUITE_JOIN(SuiteRun, TestObject)(int argc, char* argv[])                \
    {                                                                                          \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                     \
        __VA_ARGS__                                                                            \
        TestObject tc;                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                             \
        return QTest::qExec(&tc, argc, argv);                                                  \
    }                                                                                          \
    static const bool SKELMAR_SUITE_JOIN(SuiteRegistered, TestObject) =                        \
        RegisterSuiteEntry(__FILE__, SKELMAR_SUITE_JOIN(SuiteRun, TestObject));
