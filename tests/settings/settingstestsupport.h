// Helpers shared by the settings dialog's tests.
#pragma once

#include "ctilibtypes.h"
#include "settings/msettingsdialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>
#include <QtTest>

namespace settingstest
{

// The named child widget; the test ends when it is missing. The settings
// dialog builds its form on first need, so asking a dialog builds it.
template <typename T> T *child(QWidget &parent, const char *name)
{
    if (auto *dialog = qobject_cast<MSettingsDialog *>(&parent))
        dialog->ensureFormBuilt();
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("missing widget %s", name);
    return widget;
}

// Clicks a button of the dialog's button box ("Salva" is Ok, "Annulla" is Cancel).
inline void clickBoxButton(MSettingsDialog &dialog, QDialogButtonBox::StandardButton which)
{
    QPushButton *button = child<QDialogButtonBox>(dialog, "buttonBox")->button(which);
    if (!button)
        qFatal("the button box has no such button");
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void clickOk(MSettingsDialog &dialog)
{
    clickBoxButton(dialog, QDialogButtonBox::Ok);
}

inline void clickCancel(MSettingsDialog &dialog)
{
    clickBoxButton(dialog, QDialogButtonBox::Cancel);
}

// Clicks the named button of the form, as a user would: a disabled button
// does nothing.
inline void clickNamed(MSettingsDialog &dialog, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(dialog, name), Qt::LeftButton);
}

// Brings the page holding `widget` to the front of every tab widget above it.
inline void showPageOf(QWidget *widget)
{
    for (QWidget *w = widget; w && w->parentWidget(); w = w->parentWidget()) {
        if (auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget())) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                tabs->setCurrentWidget(w);
        }
    }
}

// Shows the dialog and clicks the cell (row, column) of the named item view.
inline void clickCell(MSettingsDialog &dialog, const char *viewName, int row, int column = 0)
{
    auto *view = child<QAbstractItemView>(dialog, viewName);
    showPageOf(view);
    if (!dialog.isVisible()) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

inline IdentityEntry identity(const QString &name, const QString &ip = QString(), const QString &agent = QString(),
                              const QString &vendor = QString(), const QString &model = QString(),
                              const QString &mac = QString(), const QString &note = QString())
{
    IdentityEntry e;
    e.identifier = name;
    e.phoneIp = ip;
    e.phoneUserAgent = agent;
    e.phoneVendor = vendor;
    e.phoneModel = model;
    e.phoneMac = mac;
    e.note = note;
    return e;
}

} // namespace settingstest
