// The form's fixed sizes under the large-font view: a few widgets that the
// form sizes for the normal fonts (the status line and its labels, the frame
// around the dial field, the SMS button) are let free while the large fonts
// are shown, and get the form's sizes back in the normal view.
#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QSize>

class QPushButton;
class QWidget;

class FormFontFit
{
public:
    // Frees `widgets` (large) or gives them the sizes the form gave them
    // (normal); the button is widened to show its whole text in large fonts.
    void apply(const QList<QWidget *> &widgets, QPushButton *textButton, bool large);

private:
    QHash<QWidget *, QPair<QSize, QSize>> formSizes; // the form's minimum and maximum sizes
};
