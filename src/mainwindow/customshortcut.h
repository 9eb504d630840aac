// Application shortcut of the main window. A QShortcut of its own class, so
// the window's key shortcuts can be told apart from any other shortcut.
#pragma once

#include <QShortcut>

class customShortcut : public QShortcut
{
    Q_OBJECT
public:
    customShortcut(const QKeySequence &key, QWidget *parent) : QShortcut(key, parent) {}
};
