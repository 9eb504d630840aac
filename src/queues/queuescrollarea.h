// Scroll area of the operator's queues tab; reports the size of its viewport
// whenever it changes, so the queue list can lay itself out to fit.
#pragma once

#include <QScrollArea>

class queueScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit queueScrollArea(QWidget *parent = nullptr);

signals:
    void sigQueueScrollBarResized(QSize viewportSize);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool reportResizes = true;
};
