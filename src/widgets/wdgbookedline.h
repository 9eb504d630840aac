// Line of a booked call: the busy extension the user wants to call when it
// frees up, with a button to cancel the booking.
#pragma once

#include <QWidget>

#include <memory>

namespace Ui
{
class wdgBookedLine;
}

class wdgBookedLine : public QWidget
{
    Q_OBJECT
public:
    explicit wdgBookedLine(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgBookedLine() override;

    void setRemoteName(QString name);
    void setRemoteNum(QString num);
    QString getRemoteName() const;
    QString getRemoteNum() const { return remoteNum; }
    void loadMatcStylesheet();

signals:
    void sigCancelCallBooking();

public slots:
    void cancelCallBooking();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::unique_ptr<Ui::wdgBookedLine> ui;
    QString remoteName;
    QString remoteNum;
};
