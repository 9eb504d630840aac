// Grey panel of a call the user has put on hold: the other party, "Chiamata in
// attesa", the call timer and a retrieve button that asks the main window to
// take the call off hold.
#pragma once

#include <QWidget>

#include <memory>

namespace Ui
{
class wdgOnHoldLine;
}

class wdgOnHoldLine : public QWidget
{
    Q_OBJECT
public:
    wdgOnHoldLine(qlonglong lineId, QString callId, QString remoteChannel, bool largeFont, QWidget *parent = nullptr,
                  Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgOnHoldLine() override;

    void setLineId(qlonglong id) { m_lineId = id; }
    qlonglong getLineId() const { return m_lineId; }
    void setCallId(const QString &id) { m_callId = id; }
    QString getCallId() const { return m_callId; }
    void setRemoteChannel(QString channel);
    QString getRemoteChannel() const { return m_remoteChannel; }
    void setRemoteNum(QString number);
    void setRemoteName(QString name);
    QString getRemoteName() const;
    QString getRemoteNum() const { return m_remoteNum; }
    void setAccountInfo(QString account);
    void updateCallDuration(int seconds);
    void loadMatcStylesheet();

signals:
    void sigRetrieveCall(qlonglong lineId);
    void clicked();

public slots:
    void retrieveCall();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    std::unique_ptr<Ui::wdgOnHoldLine> ui;
    qlonglong m_lineId;
    QString m_callId;
    bool m_largeFont;
    QString m_remoteName;
    QString m_remoteNum;
    QString m_remoteChannel;
};
