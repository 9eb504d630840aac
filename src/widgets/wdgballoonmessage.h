// Notification balloon: a small frameless window, always on top and never
// focused, that slides in at the bottom right of the screen with a message and
// the buttons its payload type and the operating mode allow, and slides out by
// itself after a time or when a button is used. It reports only by signals and
// deletes itself once it has left the screen.
#pragma once

#include "balloon.h"
#include "settings/msettings.h"

#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui
{
class wdgBalloonMessage;
}

class wdgBalloonMessage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ShowDurationMs = 500;
    static constexpr int Gap = 5;
    static constexpr int CallPromptHideMs = 8000;
    static constexpr int UpdateHideMs = 60000;

    wdgBalloonMessage(MSETTINGS::AppMode mode, const Balloon::BalloonInfo &info, QWidget *parent = nullptr);
    ~wdgBalloonMessage() override;

    // Desk phone driven directly: offers the call button (and transfer on a ringing call).
    void enablePhoneApi(bool enable);

    const Balloon::BalloonInfo *balloonInfo() const { return m_info.get(); }
    Balloon::KeyPair keyPair() const { return Balloon::keyOf(*m_info); }
    QString message() const;
    QPropertyAnimation *showAnimation() { return &m_showAnimation; }
    QPropertyAnimation *hideAnimation() { return &m_hideAnimation; }
    QTimer *hideTimer() { return &m_hideTimer; }
    // Auto-hide time of a payload type; 0 for none.
    static int autoHideMs(Balloon::BalloonType type);

signals:
    void sigAnswerAudioCallSelected(qlonglong lineId, QString num2call);
    void sigStartAudioCallSelected(QString num2call);
    void sigRefuseCallSelected(qlonglong lineId, QString num2call);
    void sigIgnoreCallSelected(qlonglong lineId, QString num2call);
    void sigTransferIncomingCall(qlonglong lineId, QString num2call);
    void sigStartUpgrade(const QString &newVersion);
    void sigBaloonMsgClosing(Balloon::KeyPair key);

public slots:
    void setAdditionalInfo(const QString &label, const QString &info);
    void startShowAnimation(int visibilityMs = -1);
    void startHideAnimation();
    void setVerticalOffset(int counter);
    void updateBalloonInfo(const Balloon::BalloonInfo &balloonInfo);
    void setMessage(const QString &m);

private slots:
    void onAnswerAudioCallSelected();
    void onStartAudioCallSelected();
    void onRefuseCallSelected();
    void onIgnoreCallSelected();
    void onTransferCall();
    void onStartUpgrade();
    void onShowAnimationFinished() {}
    void onHideAnimationFinished();

protected:
    void paintEvent(QPaintEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    const Balloon::IncomingCallBaloonInfo *incoming() const;
    // For an incoming call's balloon: disables `button` (if any), starts hiding
    // and emits `signal` with the call's line and number.
    void actOnIncomingCall(QWidget *button, void (wdgBalloonMessage::*signal)(qlonglong, QString));
    void showEnabledButtons();

    std::unique_ptr<Ui::wdgBalloonMessage> ui;
    MSETTINGS::AppMode appMode;
    std::unique_ptr<Balloon::BalloonInfo> m_info;
    QPropertyAnimation m_showAnimation;
    QPropertyAnimation m_hideAnimation;
    QTimer m_hideTimer;
    bool m_closingSent = false;
};
