#include "customsearchlineedit.h"

#include "customlineedit.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>

CustomSearchLineEdit::CustomSearchLineEdit(QWidget *parent) : QLineEdit(parent)
{
    m_clearButton = CustomLineEdit::makeClearButton(this);
    setStyleSheet(QStringLiteral("CustomSearchLineEdit { padding-right: 20px; }"));

    connect(this, &QLineEdit::textChanged, this, &CustomSearchLineEdit::updateCloseButton);

    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int side = m_clearButton->sizeHint().height() + frame * 2 + 2;
    const QSize own = minimumSizeHint();
    setMinimumSize(qMax(own.width(), side), qMax(own.height(), side));
}

void CustomSearchLineEdit::updateCloseButton(const QString &text)
{
    m_clearButton->setVisible(!text.isEmpty());
    if (text.isEmpty())
        emit sigClear();
}

void CustomSearchLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    CustomLineEdit::placeClearButton(this, m_clearButton);
}

void CustomSearchLineEdit::keyPressEvent(QKeyEvent *event)
{
    const QString key = CustomLineEdit::keyText(event);
    if (m_shortcuts.contains(key)) {
        emit sigShortcutRequested(key);
        return;
    }
    if (event->key() == Qt::Key_Down)
        emit sigDownArrowClicked();
    QLineEdit::keyPressEvent(event);
}
