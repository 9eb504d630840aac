#include "calllines.h"

#include "customlineedit.h"

#include <QPushButton>

CallLines::CallLines(const Widgets &widgets, QObject *parent)
    : QObject(parent), ui(widgets), clipboardInactivityTimer(this)
{
    setObjectName(QStringLiteral("callLines"));
    clipboardInactivityTimer.setObjectName(QStringLiteral("clipboardInactivityTimer"));
    clipboardInactivityTimer.setSingleShot(true);
    clipboardInactivityTimer.setInterval(1500);
    connect(&clipboardInactivityTimer, &QTimer::timeout, this, &CallLines::clipboardInactive);
    updateLinesButtonStatus();
}

void CallLines::updateLinesButtonStatus()
{
    for (QPushButton *button : qAsConst(ui.lineButtons)) {
        button->setProperty("current", QStringLiteral("0"));
        button->setProperty("status", QString());
    }
    if (ui.wdgLines)
        ui.wdgLines->setStyleSheet(ui.wdgLines->styleSheet());
}

void CallLines::onSessionStarted(const PbxSession::SessionStart &session)
{
    if (!PbxSession::sessionFeatures(session).dialFromWindow)
        return;
    ui.btnStartAudioCall->setEnabled(true);
    ui.edtCallerNumber->setEnabled(true);
}

void CallLines::onSessionEnded()
{
    ui.edtCallerNumber->setEnabled(false);
    ui.btnStartAudioCall->setEnabled(false);
}
