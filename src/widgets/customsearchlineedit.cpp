#include "customsearchlineedit.h"

#include "customlineedit.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>

CustomSearchLineEdit::CustomSearchLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    m_clearButton = new QToolButton(this);
    m_clearButton->setIcon(QIcon(QStringLiteral(":/images/cancel.png")));
    m_clearButton->setIconSize(QSize(12, 12));
    m_clearButton->setCursor(Qt::ArrowCursor);
    m_clearButton->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 2px 5px 0 2px; }"));
    m_clearButton->hide();
    setStyleSheet(QStringLiteral("CustomSearchLineEdit { padding-right: 20px; }"));

    connect(m_clearButton, &QToolButton::clicked, this, &QLineEdit::clear);
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
    const QSize hint = m_clearButton->sizeHint();
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    m_clearButton->move(rect().right() - frame - hint.width(), (rect().bottom() + 1 - hint.height()) / 2);
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
