// The supervisor panel of the queues. Only what the settings need of it so
// far: the answer and loss time thresholds of its call-centre figures.
#pragma once

#include <QList>
#include <QWidget>

class MspMainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MspMainWidget(QWidget *parent = nullptr);

    // Answer and loss time thresholds, in seconds.
    void updateThresholdLists(const QList<int> &answered, const QList<int> &lost);
    QList<int> answeredThresholds() const { return answeredCallsThresholds; }
    QList<int> lostThresholds() const { return lostCallsThresholds; }

private:
    QList<int> answeredCallsThresholds;
    QList<int> lostCallsThresholds;
};
