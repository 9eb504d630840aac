// What call handling asks of the main window: the queues' names and pause
// state, whether the PBX knows the user's mobile number, the parent and
// title of the questions and the tray icon (defined in mpgui_calls.cpp).
#pragma once

#include "calls/callevents.h"
#include "calls/calllines.h"
#include "mpgui.h"

class MPGui::CallsHost : public CallLines::Host, public CallEvents::Host
{
public:
    explicit CallsHost(MPGui *window) : w(window) {}
    // --- CallLines::Host
    QString queueName(const QString &queueId) const override;
    bool queuesPausedAny() const override;
    void pauseAllQueues(bool pause, const QString &reason) override;
    bool mobileNumberKnown() const override;
    // --- CallEvents::Host
    QWidget *dialogParent() const override;
    QString windowTitle() const override;
    QSystemTrayIcon *tray() const override;

private:
    MPGui *w;
};
