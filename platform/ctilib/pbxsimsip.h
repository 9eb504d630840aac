// The SIP side of the PBX simulator: a registrar (digest authentication
// against the users' SIP credentials) and the far end of softphone calls,
// with G.711 audio (a tone or a WAV file played, what arrives recorded).
//
// It runs its own SIP stack thread. PbxSimulator owns it, tells it what the
// simulated call does (ringing, answer, end) and hears from it through the
// Events callbacks, which are always called on the simulator's thread.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class PbxSipServerPrivate;

class PbxSipServer
{
public:
    struct Account {
        QString sipUser; // the user part of the SIP address
        QString password;
        QString exten;
    };
    struct Events {
        // The softphone of `exten` calls `target`; the call is `token`.
        std::function<void(int token, const QString &exten, const QString &target)> outgoing;
        // The softphone answered (200) an incoming call.
        std::function<void(int token)> answered;
        // The softphone refused an incoming call (486, 603) or redirected it
        // (302: `contact` is the new number).
        std::function<void(int token, int code, const QString &contact)> rejected;
        // The softphone ended the call (BYE or CANCEL).
        std::function<void(int token)> ended;
        std::function<void(int token, bool held)> hold;
        std::function<void(int token, QChar digit)> digit;
        // REFER: blind transfer to `target`; attended when `replacesToken` is
        // the softphone's other call.
        std::function<void(int token, const QString &target, int replacesToken)> transfer;
        std::function<void(const QString &exten, bool registered)> registration;
    };

    PbxSipServer(QObject *context, Events events);
    ~PbxSipServer();

    void setAccounts(const QList<Account> &accounts);
    // UDP and TCP on `port` (0: any), TLS with `certPem` (leaf then chain) and
    // `keyPem` on another free port. Loopback only.
    bool start(const QHostAddress &address, quint16 port, const QByteArray &certPem, const QByteArray &keyPem,
               QString *error);
    void stop();
    quint16 port() const;
    quint16 tlsPort() const;
    bool isRegistered(const QString &exten) const;
    // REGISTER requests received for `exten`'s SIP account, with or without
    // (valid) credentials.
    int registerRequests(const QString &exten) const;
    // The contact URI registered for `exten`; empty when none.
    QString contactOf(const QString &exten) const;

    // Sends an INVITE to the registered softphone of `exten`; returns the
    // call's token, 0 when the extension has no registration.
    int invite(const QString &exten, const QString &fromNumber, const QString &fromName);
    void ringing(int token); // 180 to the softphone's INVITE
    void answer(int token);  // 200 with SDP; the far end starts playing
    // Ends a call: before the answer with `code` (486, 404, 480, 603), after
    // it with BYE; an INVITE we sent is cancelled.
    void end(int token, int code);
    // The far end puts the softphone on hold (sendonly) or takes it back.
    void hold(int token, bool held);

    // What the far end plays: a tone (Hz, 0 = silence, negative = no RTP at
    // all) or a WAV file
    // (8 kHz mono 16-bit) when `wavPath` is set.
    void setPlayTone(int hz);
    void setPlayFile(const QString &wavPath);
    // The far end's codecs in order ("PCMA", "PCMU", "GSM", "G726", "G722");
    // false (and no change) when none is known.
    bool setCodecs(const QStringList &codecs);
    // Relative power (0..1) of `hz` in the last second the far end of
    // `token` received; -1 when there is no such call or nothing arrived.
    double receivedTonePower(int token, double hz) const;
    QString receivedDigits(int token) const;
    int callCount() const;
    // Packets the far end of `token` received from a wrong address or with
    // a wrong payload.
    quint64 droppedPackets(int token) const;

private:
    std::unique_ptr<PbxSipServerPrivate> d;
};
