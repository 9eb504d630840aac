// Helpers shared by the settings dialog's tests.
#pragma once

#include "ctilibtypes.h"
#include "msettingsdialog.h"

#include <QWidget>

namespace settingstest {

// The named child widget; the test ends when it is missing. The settings
// dialog builds its form on first need, so asking a dialog builds it.
template <typename T>
T *child(QWidget &parent, const char *name)
{
    if (auto *dialog = qobject_cast<MSettingsDialog *>(&parent))
        dialog->ensureFormBuilt();
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("missing widget %s", name);
    return widget;
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
