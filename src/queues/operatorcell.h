// One member of one queue as its operators-table cell shows it, and the
// painting of those cells: the table holds thousands of them, so they are
// drawn by one delegate from the item's data instead of one widget each.
#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class QMovie;

struct OperatorCell {
    QString opNum; // member account
    QString queueId;
    int status = 0;  // 1 dynamic member, other values static
    int penalty = 0; // negative: not shown
    bool paused = false;
    QDateTime lastPauseChange;
    int calls = 0;
    QDateTime lastCall;
    float mct = 0;
    float mwt = 0;

    void setStats(int servedCalls, const QDateTime &last, int convTime, int waitTime);
    void resetStats() { setStats(0, QDateTime(), 0, 0); }

    QString callsText() const;
    QString membershipText() const;
    QString penaltyText() const;
    QString lastCallText() const;
    QString stateTimeText(const QDateTime &now) const;
    QString pauseButtonText() const;
};
Q_DECLARE_METATYPE(OperatorCell)

// Item data roles of the operators table.
namespace OperatorRoles
{
constexpr int Blf = 1009;                  // last busy-lamp state applied to the lamp item
constexpr int Ringing = Qt::UserRole + 50; // the lamp shows the ringing animation
constexpr int Cell = Qt::UserRole + 51;    // an OperatorCell: the member's cell
} // namespace OperatorRoles

// Paints the lamps (with the ringing animation) and the operator cells of
// the operators table, and turns a click on a cell's pause button into a
// pause request.
class OperatorCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit OperatorCellDelegate(QMovie *ringing, QObject *parent = nullptr);

    // Where a cell drawn in `cell` has its parts.
    struct Geometry {
        QRect frame, button, calls, membership, penalty, stateTime, lastCall;
    };
    static Geometry geometry(const QRect &cell);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;
    // The cell under the mouse is a real operator widget (wdgOperatorInfo),
    // opened by the table as a persistent editor.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void pauseRequested(QString opNum, QString queueId, bool pause);

private:
    void paintCell(QPainter *painter, const QStyleOptionViewItem &option, const OperatorCell &cell) const;
    QMovie *ringingMovie;
    // Fonts of a real operator widget in the table, taken once.
    mutable bool fontsTaken = false;
    mutable QFont pauseFont, callsFont, stateTimeFont, textFont;
    QPersistentModelIndex pressed;
};
