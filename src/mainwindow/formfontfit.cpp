#include "formfontfit.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>

void FormFontFit::apply(const QList<QWidget *> &widgets, QPushButton *textButton, bool large)
{
    for (QWidget *w : widgets) {
        if (!w)
            continue;
        if (!formSizes.contains(w))
            formSizes.insert(w, qMakePair(w->minimumSize(), w->maximumSize()));
        const QPair<QSize, QSize> &form = formSizes.value(w);
        if (large) {
            w->setMinimumSize(QSize(form.first.width(), 0));
            w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        } else {
            w->setMinimumSize(form.first);
            w->setMaximumSize(form.second);
        }
    }
    if (large && textButton) {
        textButton->ensurePolished();
        const QFontMetrics fm(textButton->font());
        textButton->setMinimumWidth(fm.horizontalAdvance(textButton->text()) + textButton->iconSize().width() + 16);
    }
}
