// Tree view of the directory and call-history lists: dragging and dropping
// on, and Enter / Return on the current item reported with sigEnterPressed().
#pragma once

#include <QTreeView>

class CustomTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit CustomTreeView(QWidget *parent = nullptr);

signals:
    void sigEnterPressed(const QModelIndex &index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
