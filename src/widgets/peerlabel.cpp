#include "peerlabel.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextDocument>

namespace
{

const char *const boundProperty = "peerTextBounded";

// One line of plain text that does not fit the label's contents.
bool needsElision(const QLabel *label)
{
    const QString text = label->text();
    if (text.isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)) || text.contains(QLatin1Char('\n')))
        return false;
    return label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width();
}

// Paints an overlong label elided; everything else is the label's own paint.
class Elider : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto *label = qobject_cast<QLabel *>(watched);
        if (!label || !needsElision(label))
            return false;
        QPainter painter(label);
        QStyleOptionFrame frame;
        frame.initFrom(label);
        frame.frameShape = QFrame::Shape(label->frameShape());
        frame.lineWidth = label->lineWidth();
        frame.midLineWidth = label->midLineWidth();
        frame.rect = label->frameRect();
        label->style()->drawControl(QStyle::CE_ShapedFrame, &frame, &painter, label);
        const QRect area = label->contentsRect();
        const Qt::Alignment align = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
        label->style()->drawItemText(&painter, area, int(align), label->palette(), label->isEnabled(),
                                     PeerLabel::shownText(label), label->foregroundRole());
        return true;
    }
};

Elider *elider()
{
    static Elider *instance = new Elider;
    return instance;
}

} // namespace

namespace PeerLabel
{

void bound(QLabel *label)
{
    if (!label || isBounded(label))
        return;
    label->setProperty(boundProperty, true);
    // Neither the text's width as a hint nor as a minimum reaches the layout:
    // the label takes the width its layout has for it.
    QSizePolicy policy = label->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    label->setSizePolicy(policy);
    if (label->minimumWidth() == 0)
        label->setMinimumWidth(MinimumWidth);
    label->installEventFilter(elider());
}

void bound(QWidget *root, std::initializer_list<const char *> names)
{
    if (!root)
        return;
    for (const char *name : names)
        bound(root->findChild<QLabel *>(QLatin1String(name)));
}

bool isBounded(const QLabel *label)
{
    return label && label->property(boundProperty).toBool();
}

QString shownText(const QLabel *label)
{
    if (!needsElision(label))
        return label->text();
    return label->fontMetrics().elidedText(label->text(), Qt::ElideRight, label->contentsRect().width());
}

} // namespace PeerLabel
