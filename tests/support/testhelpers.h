// Small helpers any test may use.
//
//     #include "testhelpers.h"
//     auto *ok = testsupport::child<QPushButton>(dialog, "btnOk");
//     testsupport::clickButton(dialog, "btnOk");
//     QVERIFY(testsupport::triggerAction(window, "actionQuit"));
//     const QByteArray text = testsupport::logText(dir.filePath("app.log"));
//
// A lookup by object name that finds nothing, or more than one object, ends
// the test executable with a message naming the parent, the name and the type
// asked for: a test that drives a widget by a name the form does not have is
// itself broken, and going on would only crash on a null pointer later.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtTest>

#include "conditionwait.h"
#include "logtext.h"

namespace testsupport
{

namespace detail
{
[[noreturn]] void failLookup(const QObject &parent, const QString &name, const char *typeName, int found);
} // namespace detail

// The one descendant of `parent` of type T with the object name `name`.
template <typename T = QWidget> T *child(const QObject &parent, const QString &name)
{
    const QList<T *> found = parent.findChildren<T *>(name);
    if (found.size() != 1)
        detail::failLookup(parent, name, T::staticMetaObject.className(), found.size());
    return found.first();
}

// Clicks the named button with the left mouse button, as a user does. A
// hidden or disabled button ignores the click, as it would for a user.
inline void clickButton(const QObject &parent, const QString &name)
{
    QTest::mouseClick(child<QAbstractButton>(parent, name), Qt::LeftButton);
}

// Triggers the named action as its menu entry or shortcut would; false (and
// nothing happens) when the action is disabled.
inline bool triggerAction(const QObject &parent, const QString &name)
{
    QAction *action = child<QAction>(parent, name);
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

} // namespace testsupport
