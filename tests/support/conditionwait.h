// Waits on a condition in tests get one generous limit.
//
// A test waits for what it expects (a line shown, a request traced, a child
// ended) with QTRY_VERIFY / QTRY_COMPARE and their _WITH_TIMEOUT forms. Qt's
// defaults (5 s, or whatever the test asked for) fail on a machine that is busy
// with other builds and tests although nothing is wrong; a wait returns as
// soon as its condition holds, so a long limit costs nothing when the test
// passes. Here every such wait gets at least kConditionWaitMs, and a failing
// wait reports at once at its limit (Qt's versions wait twice as long again
// only to print a hint).
//
// Included by testmain.h and testhelpers.h, after <QtTest>, so every test
// that uses the macros gets these definitions.
#pragma once

#include <QElapsedTimer>
#include <QtTest>

namespace testsupport
{

constexpr int kConditionWaitMs = 60000;

constexpr int conditionWaitMs(int requestedMs)
{
    return requestedMs > kConditionWaitMs ? requestedMs : kConditionWaitMs;
}

} // namespace testsupport

#define DESKLINE_TRY_LOOP(cond, timeout)                                                                               \
    do {                                                                                                               \
        const int deskline_try_limit = testsupport::conditionWaitMs(timeout);                                          \
        QElapsedTimer deskline_try_timer;                                                                              \
        deskline_try_timer.start();                                                                                    \
        if (!(cond))                                                                                                   \
            QTest::qWait(0);                                                                                           \
        while (!(cond) && deskline_try_timer.elapsed() < deskline_try_limit)                                           \
            QTest::qWait(20);                                                                                          \
    } while (false)

#undef QTRY_VERIFY_WITH_TIMEOUT
#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeout)                                                                        \
    do {                                                                                                               \
        DESKLINE_TRY_LOOP((expr), timeout);                                                                            \
        QVERIFY(expr);                                                                                                 \
    } while (false)

#undef QTRY_VERIFY2_WITH_TIMEOUT
#define QTRY_VERIFY2_WITH_TIMEOUT(expr, messageExpression, timeout)                                                    \
    do {                                                                                                               \
        DESKLINE_TRY_LOOP((expr), timeout);                                                                            \
        QVERIFY2(expr, messageExpression);                                                                             \
    } while (false)

#undef QTRY_COMPARE_WITH_TIMEOUT
#define QTRY_COMPARE_WITH_TIMEOUT(expr, expected, timeout)                                                             \
    do {                                                                                                               \
        DESKLINE_TRY_LOOP(((expr) == (expected)), timeout);                                                            \
        QCOMPARE((expr), expected);                                                                                    \
    } while (false)
