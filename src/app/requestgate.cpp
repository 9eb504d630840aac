#include "requestgate.h"

#include "globallogger.h"

RequestGate::RequestGate(QString gateName, std::function<bool()> sendRequest, Timing t, QObject *parent)
    : QObject(parent), name(std::move(gateName)), send(std::move(sendRequest)), timing(t)
{
    answerTimer.setSingleShot(true);
    answerTimer.setInterval(timing.answerTimeoutMs);
    spacingTimer.setSingleShot(true);
    spacingTimer.setTimerType(Qt::PreciseTimer);
    connect(&answerTimer, &QTimer::timeout, this, &RequestGate::onAnswerTimeout);
    connect(&spacingTimer, &QTimer::timeout, this, [this] {
        if (queued && !inFlight)
            sendNow();
    });
}

void RequestGate::request()
{
    if (inFlight || spacingTimer.isActive()) {
        queued = true;
        return;
    }
    sendNow();
}

void RequestGate::sendNow()
{
    if (timing.spacingMs > 0 && lastSend.isValid()) {
        const qint64 since = lastSend.elapsed();
        if (since < timing.spacingMs) {
            queued = true;
            spacingTimer.start(int(timing.spacingMs - since));
            return;
        }
    }
    queued = false;
    if (!send())
        return;
    inFlight = true;
    ++sent;
    lastSend.start();
    answerTimer.start();
}

void RequestGate::answered()
{
    if (!inFlight)
        return;
    inFlight = false;
    answerTimer.stop();
    if (queued)
        sendNow();
}

void RequestGate::onAnswerTimeout()
{
    if (timing.hasAnswer)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << name << "got no answer within" << timing.answerTimeoutMs << "ms";
    inFlight = false;
    if (queued)
        sendNow();
}

void RequestGate::reset()
{
    inFlight = false;
    queued = false;
    answerTimer.stop();
    spacingTimer.stop();
    lastSend.invalidate();
}
