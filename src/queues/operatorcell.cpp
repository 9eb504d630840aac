#include "operatorcell.h"

#include "operatorwidgets.h"
#include "queuerules.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QToolTip>

namespace
{
QString trCell(const char *text)
{
    return QCoreApplication::translate("wdgOperatorInfo", text);
}
} // namespace

void OperatorCell::setStats(int servedCalls, const QDateTime &last, int convTime, int waitTime)
{
    calls = servedCalls;
    lastCall = last;
    mct = calls ? float(convTime) / calls : 0;
    mwt = calls ? float(waitTime) / calls : 0;
}

QString OperatorCell::callsText() const
{
    return calls < 0 ? QStringLiteral("-") : QString::number(calls);
}

QString OperatorCell::membershipText() const
{
    return status == 1 ? QStringLiteral("D") : QString();
}

QString OperatorCell::penaltyText() const
{
    return penalty >= 0 ? QStringLiteral("/%1").arg(penalty) : QString();
}

QString OperatorCell::lastCallText() const
{
    return lastCall.isValid() ? lastCall.toString(QStringLiteral("dd.MM.yyyy hh:mm")) : QStringLiteral("-");
}

QString OperatorCell::stateTimeText(const QDateTime &now) const
{
    if (!lastPauseChange.isValid())
        return QStringLiteral("-");
    return QueueRules::pauseAgeText(lastPauseChange.secsTo(now));
}

QString OperatorCell::pauseButtonText() const
{
    return paused ? trCell("Riattiva") : trCell("Pausa");
}

// ---------------------------------------------------------------------------

OperatorCellDelegate::OperatorCellDelegate(QMovie *ringing, QObject *parent)
    : QStyledItemDelegate(parent), ringingMovie(ringing)
{
    qRegisterMetaType<OperatorCell>();
}

OperatorCellDelegate::Geometry OperatorCellDelegate::geometry(const QRect &cell)
{
    // The cell's form: a framed box, the pause button above the time in the
    // pause state on the left, a line, the served calls with membership and
    // penalty above the last call on the right.
    Geometry g;
    g.frame = cell.adjusted(1, 1, -1, -1);
    const QRect inner = g.frame.adjusted(3, 3, -3, -3);
    const int leftWidth = qMax(0, qMin(80, (inner.width() - 8) / 2));
    const int topHeight = qMax(0, (inner.height() - 3) * 11 / 20);
    const int bottomTop = inner.top() + topHeight + 3;
    const int bottomHeight = qMax(0, inner.bottom() - bottomTop + 1);
    g.button = QRect(inner.left(), inner.top(), leftWidth, topHeight);
    g.stateTime = QRect(inner.left(), bottomTop, leftWidth, bottomHeight);
    const int rightLeft = inner.left() + leftWidth + 8;
    const int rightWidth = qMax(0, inner.right() - rightLeft + 1);
    // As in the form: the calls and the penalty share the row, the
    // membership mark between them.
    const int markWidth = qMin(15, rightWidth / 4);
    const int callsWidth = qMax(0, (rightWidth - markWidth) / 2);
    const int penaltyWidth = qMax(0, rightWidth - markWidth - callsWidth);
    g.calls = QRect(rightLeft, inner.top(), callsWidth, topHeight);
    g.membership = QRect(g.calls.right() + 1, inner.top(), markWidth, topHeight);
    g.penalty = QRect(g.membership.right() + 1, inner.top(), penaltyWidth, topHeight);
    g.lastCall = QRect(rightLeft, bottomTop, rightWidth, bottomHeight);
    return g;
}

void OperatorCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QVariant cell = index.data(OperatorRoles::Cell);
    if (cell.isValid()) {
        paintCell(painter, option, cell.value<OperatorCell>());
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(OperatorRoles::Ringing).toBool() && ringingMovie && ringingMovie->state() != QMovie::NotRunning) {
        const QPixmap frame = ringingMovie->currentPixmap();
        const QRect area = option.rect.adjusted(3, 3, -3, -3);
        QSize size = frame.size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size.boundedTo(frame.size()));
        target.moveCenter(area.center());
        painter->drawPixmap(target, frame);
    }
}

void OperatorCellDelegate::paintCell(QPainter *painter, const QStyleOptionViewItem &option,
                                     const OperatorCell &cell) const
{
    const Geometry g = geometry(option.rect);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    if (!fontsTaken && !widget) {
        pauseFont = callsFont = stateTimeFont = textFont = option.font;
    } else if (!fontsTaken) {
        // A hidden operator widget in the same table tells the fonts the
        // style sheets give its parts.
        fontsTaken = true;
        wdgOperatorInfo probe(QString(), QString(), 0, const_cast<QWidget *>(widget));
        probe.hide();
        const wdgOperatorInfo::Fonts f = probe.fonts();
        pauseFont = f.pause;
        callsFont = f.calls;
        stateTimeFont = f.stateTime;
        textFont = f.text;
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->fillRect(g.frame, cell.paused ? QColor(255, 170, 0) : QColor(144, 238, 144));
    painter->setPen(QColor(Qt::gray));
    painter->drawRect(g.frame.adjusted(0, 0, -1, -1));

    QStyleOptionButton button;
    button.rect = g.button;
    button.text = cell.pauseButtonText();
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    if (pressed.isValid() && pressed == option.index)
        button.state |= QStyle::State_Sunken;
    button.fontMetrics = QFontMetrics(pauseFont);
    button.palette = option.palette;
    painter->setFont(pauseFont);
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);

    const int lineX = g.button.right() + 4;
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(lineX, g.button.top(), lineX, g.stateTime.bottom());
    painter->setPen(option.palette.color(QPalette::Text));

    painter->setFont(callsFont);
    painter->drawText(g.calls, Qt::AlignCenter, cell.callsText());
    painter->setFont(textFont);
    painter->drawText(g.membership, Qt::AlignRight | Qt::AlignVCenter, cell.membershipText());
    painter->drawText(g.penalty, Qt::AlignLeft | Qt::AlignVCenter, cell.penaltyText());
    painter->drawText(g.lastCall, Qt::AlignCenter, cell.lastCallText());
    painter->setFont(stateTimeFont);
    painter->drawText(g.stateTime, Qt::AlignCenter, cell.stateTimeText(QDateTime::currentDateTime()));
    painter->restore();
}

bool OperatorCellDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                       const QModelIndex &index)
{
    const QVariant data = index.data(OperatorRoles::Cell);
    if (!data.isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease &&
        event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    const bool onButton = mouse->button() == Qt::LeftButton && geometry(option.rect).button.contains(mouse->pos());
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        pressed = onButton ? QPersistentModelIndex(index) : QPersistentModelIndex();
        return onButton;
    }
    const bool click = onButton && pressed == index;
    pressed = QModelIndex();
    if (click) {
        // The cell changes only when the PBX reports the new pause state.
        const OperatorCell cell = data.value<OperatorCell>();
        emit pauseRequested(cell.opNum, cell.queueId, !cell.paused);
    }
    return click;
}

bool OperatorCellDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                     const QModelIndex &index)
{
    if (!index.data(OperatorRoles::Cell).isValid() || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const Geometry g = geometry(option.rect);
    QString tip;
    if (g.calls.contains(event->pos()))
        tip = trCell("Chiamate servite");
    else if (g.membership.contains(event->pos()))
        tip = trCell("Membership");
    else if (g.penalty.contains(event->pos()))
        tip = trCell("Penalty");
    else if (g.stateTime.contains(event->pos()))
        tip = trCell("Data dell'ultimo cambio dello stato di pausa");
    else if (g.lastCall.contains(event->pos()))
        tip = trCell("Data dell'ultima chiamata servita");
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), tip, view);
    return true;
}

QWidget *OperatorCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    const QVariant data = index.data(OperatorRoles::Cell);
    if (!data.isValid())
        return QStyledItemDelegate::createEditor(parent, option, index);
    const OperatorCell cell = data.value<OperatorCell>();
    auto *editor = new wdgOperatorInfo(cell.opNum, cell.queueId, cell.penalty, parent);
    connect(editor, &wdgOperatorInfo::sigPauseTrigger, this, &OperatorCellDelegate::pauseRequested);
    return editor;
}

void OperatorCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *operatorWidget = qobject_cast<wdgOperatorInfo *>(editor);
    const QVariant data = index.data(OperatorRoles::Cell);
    if (operatorWidget && data.isValid())
        operatorWidget->showCell(data.value<OperatorCell>());
}

void OperatorCellDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
    // The cell shows what the PBX reports; the widget writes nothing back.
}

void OperatorCellDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
