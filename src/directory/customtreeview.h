// Tree view of the directory and call-history lists: reports Enter / Return
// on the current row with sigEnterPressed() and drops with
// sigDropEventOccurred(); keyboard use keeps a top-level row's current
// index in column 0.
#pragma once

#include <QTreeView>

class CustomTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit CustomTreeView(QWidget *parent = nullptr);

signals:
    void sigEnterPressed(const QModelIndex &index);
    void sigDropEventOccurred(QDropEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
