// A request to the PBX that the PBX's own events ask for (a list after a
// change notice, a full refresh after a membership event, a history after a
// reconnection of the chat): however fast the events come, at most one such
// request is on its way and at most one more waits; every ask that comes
// meanwhile folds into the waiting one. A request is on its way from its
// sending until its answer is reported, its answer timeout passes or the gate
// is reset (the session ended). Two sendings are at least `spacingMs` apart,
// so even a PBX that answers every request with a fresh event is asked at a
// bounded rate.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class RequestGate : public QObject
{
    Q_OBJECT
public:
    struct Timing {
        int answerTimeoutMs = 20000; // an answer that never comes frees the gate after this
        int spacingMs = 0;           // least time between two sendings
        // False for a request the PBX gives no answer to: the gate then holds
        // it on its way for the whole timeout, and its end is no fault.
        bool hasAnswer = true;
    };
    // `send` puts the request on the wire and tells whether it could (false:
    // no link, so nothing is on its way). `name` is for the log.
    RequestGate(QString name, std::function<bool()> send, Timing timing, QObject *parent = nullptr);

    // Asks for the request: sent now when nothing is on its way (and the
    // spacing allows), else it waits, folded with any ask already waiting.
    void request();
    // The answer of the request on its way arrived; a waiting ask goes now.
    // An answer while nothing is on its way (the PBX's own initiative)
    // changes nothing.
    void answered();
    // The session ended: nothing on its way, nothing waiting.
    void reset();

    bool isInFlight() const { return inFlight; }
    bool isQueued() const { return queued; }
    // Requests sent since the gate was made.
    int sentCount() const { return sent; }

private:
    void sendNow();
    void onAnswerTimeout();

    QString name;
    std::function<bool()> send;
    Timing timing;
    QTimer answerTimer;
    QTimer spacingTimer;
    QElapsedTimer lastSend;
    bool inFlight = false;
    bool queued = false;
    int sent = 0;
};
