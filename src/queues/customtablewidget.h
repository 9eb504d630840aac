// The supervisor panel's queue table: rows and columns share the table's
// height and width, and it reports its resizes.
#pragma once

#include <QTableWidget>

class CustomTableWidget : public QTableWidget
{
    Q_OBJECT
public:
    explicit CustomTableWidget(QWidget *parent = nullptr);
    void adjustLayout();

signals:
    void sigDropEventOccurred(QDropEvent *event);
    void sigCallRequested();
    void sigTableResized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool dragging = false;
};
