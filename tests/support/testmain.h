// Entry of every Qt test executable:
//
//     DESKLINE_TEST_MAIN(MyTest)
//
// Before the application object exists it gives the process a fresh temporary
// HOME and XDG_* directories, so no test reads or writes the developer's own
// settings, and it installs a message handler that fails the test on Qt's
// connection warnings ("No such signal", "No such slot", "Cannot queue
// arguments", "connect: invalid nullptr parameter"...) seen before and after
// the test functions run. While Qt Test runs the functions it owns the message
// handler; CTest then fails the test on the same warnings in its output. Both
// read the one list DESKLINE_CONNECTION_WARNINGS (cmake/DesklineHelpers.cmake).
//
// The application object is the smallest the test links: QApplication for
// tests of widgets, QGuiApplication for those of the widget-free layer (its
// item models hold icons and pictures), as Qt's own QTEST_MAIN chooses.
#pragma once

#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#define DESKLINE_TEST_APPLICATION QApplication
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#define DESKLINE_TEST_APPLICATION QGuiApplication
#else
#include <QCoreApplication>
#define DESKLINE_TEST_APPLICATION QCoreApplication
#endif
#include <QThreadPool>
#include <QtTest>

#include "conditionwait.h"

namespace testsupport
{

// Creates the temporary home (removed at exit) and sets the environment.
void setUpIsolatedEnvironment();
// Path of the temporary home made by setUpIsolatedEnvironment().
QString isolatedHome();
// Installs the failing message handler.
void installStrictMessageHandler();
// Runs the application's event loop until something ends it, or at most
// `timeoutMs`, after which it returns `timeoutCode`. The watchdog is gone when
// this returns, so it never ends a later loop of the same test.
int execWithTimeout(int timeoutMs, int timeoutCode);
// Number of connection warnings seen so far (the handler also fails the
// running test function).
int connectionWarningCount();
// The pieces of text that mark a connection warning, and whether a message
// holds one of them.
QStringList connectionWarnings();
bool isConnectionWarning(const QString &message);

} // namespace testsupport

#define DESKLINE_TEST_MAIN(TestObject)                                                                                 \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        testsupport::setUpIsolatedEnvironment();                                                                       \
        DESKLINE_TEST_APPLICATION app(argc, argv);                                                                     \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        testsupport::installStrictMessageHandler();                                                                    \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        const int rc = QTest::qExec(&tc, argc, argv);                                                                  \
        /* The pool's idle threads end here, not while the leak checker runs at exit. */                               \
        QThreadPool::globalInstance()->waitForDone(30000);                                                             \
        return rc != 0 ? rc : (testsupport::connectionWarningCount() ? 1 : 0);                                         \
    }
