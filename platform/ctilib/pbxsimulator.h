// PBX simulator: a CTI server on the loopback interface that behaves like a
// VeloraPBX for the CTI client library (log-in, directories, calls, desk
// phone, chat, services, voicemail, queues, statistics).
//
// It lives on the thread that creates it (or the one it is moved to) and
// serves any number of clients over TLS. Tests drive it through the control
// operations below; the pbxsim program exposes the same operations as text
// commands (see PbxSimulator::executeControl and the README).
//
// Sessions are of one kind today (CTI clients, which start with "login"); the
// session record keeps a kind so that SIP peers of a softphone can be served
// on the same listener later.
#pragma once

#include "pbxsimdata.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QSslCertificate>
#include <QSslKey>

class QFile;
class PbxSipServer;
class QSslSocket;
class PbxSimTlsServer;
struct SimSession;
struct SimCall;
struct SimLeg;
struct SimRequest;
struct SimRequestHandler;

// A text message a user had the PBX send.
struct SimSms {
    QString user;
    QString destination;
    QString text;
};

class PbxSimulator : public QObject
{
    Q_OBJECT
public:
    explicit PbxSimulator(QObject *parent = nullptr);
    ~PbxSimulator() override;

    // --- data and set-up
    void setData(const PbxSimData &data);
    const PbxSimData &data() const { return m_data; }
    // Own certificate chain (leaf first) and key; the built-in test
    // certificate for 127.0.0.1/localhost is used until this is called.
    void setCertificate(const QList<QSslCertificate> &chain, const QSslKey &key);
    static QList<QSslCertificate> builtinCertificateChain();
    static QSslKey builtinPrivateKey();

    // Listens on a loopback address only; port 0 picks a free port.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0, QString *error = nullptr);
    quint16 serverPort() const;
    void close();

    // --- SIP side: registrar and far end of softphone calls, on loopback.
    // UDP and TCP on `port` (0: any free port), TLS with the simulator's
    // certificate on another free port.
    bool listenSip(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0, QString *error = nullptr);
    quint16 sipPort() const;
    quint16 sipTlsPort() const;
    bool isSipRegistered(const QString &exten) const;
    // REGISTER requests the SIP side received for `exten`'s account.
    int sipRegisterRequests(const QString &exten) const;
    // The contact URI that the phone of `exten` registered; empty when none.
    QString sipContactOf(const QString &exten) const;
    // What the far end of softphone calls plays: a tone (Hz; 0 silence, -1
    // no RTP at all), or
    // a WAV file (8 kHz mono 16-bit).
    void setSipPlayTone(int hz);
    void setSipPlayFile(const QString &wavPath);
    // The far end's codecs in order ("PCMA", "PCMU", "GSM", "G726", "G722").
    bool setSipCodecs(const QStringList &codecs);
    // Relative power (0..1) of `hz` in the last second of audio that the far
    // end of the call `uid` received from the softphone; -1 when none.
    double sipReceivedTonePower(const QString &uid, double hz) const;
    // DTMF digits the far end of the call `uid` received (RFC 4733 or INFO).
    QString sipReceivedDigits(const QString &uid) const;
    // Recording of the call `uid` switched by its recording code (DTMF).
    bool isSipRecording(const QString &uid) const;
    // The far end puts the softphone's call on hold or takes it back.
    bool sipHold(const QString &uid, bool held);
    // The uid of the call whose SIP leg is the softphone of `exten`.
    QString sipCallOf(const QString &exten) const;

    // --- timing of the simulated parties (milliseconds)
    void setAnswerDelay(int ms) { m_answerDelayMs = ms; }       // a called party answers
    void setRingTimeout(int ms) { m_ringTimeoutMs = ms; }       // an unanswered call is missed
    void setTalkTime(int ms) { m_talkTimeMs = ms; }             // a called party hangs up (0: never)
    void setParkTimeout(int ms) { m_parkTimeoutMs = ms; }       // a parked call rings back
    void setChatReplyDelay(int ms) { m_chatReplyDelayMs = ms; } // a colleague answers a chat
    void setAnswerKeepAlives(bool on) { m_answerKeepAlives = on; }
    // A misbehaving PBX for the tests: every voicemail list request is
    // answered with the list and a mailbox status (off: the status comes on
    // its own request and when the mailbox changes, as from a real PBX).
    void setEchoMailboxStatus(bool on) { m_echoMailboxStatus = on; }

    // --- trace: one JSON line per command received
    bool setTraceFile(const QString &path, QString *error = nullptr);
    void stopTrace();

    // --- control (what a PBX would do by itself)
    // An outside number calls an extension, optionally through a queue;
    // returns the call's uid (empty when the extension does not exist).
    QString injectIncomingCall(const QString &from, const QString &toExten, const QString &queueId = QString(),
                               const QString &callerName = QString());
    // The device of an extension answers its ringing call; false when none.
    bool answerRinging(const QString &exten);
    // Ends every call of an extension (or the call with this uid).
    int hangup(const QString &extenOrUid);
    // The party of an answered call (an extension, or an outside number)
    // hands it on to `target`: the other side now talks to the target and
    // sees it as its connected party. Returns how many calls were handed on.
    int transferParty(const QString &party, const QString &target);
    void setBlf(const QString &exten, int state);
    void setPresence(const QString &exten, int presence, const QString &message);
    bool sendChat(const QString &fromExten, const QString &toExten, const QString &text);
    bool sendParkNotice(const QString &toExten, const QString &number, const QString &slot, int timeoutSecs);
    bool sendQueueEvent(const QString &queueId, int waitingCalls);
    // A new voicemail message in the mailbox of the user of an extension; its
    // sessions get the new mailbox status. Answers the message's uuid (empty
    // for an unknown extension).
    QString leaveVoicemail(const QString &toExten, const QString &fromNumber, int seconds,
                           const QString &senderName = QString());
    // Sends any event, data as given, to the sessions of the user of an
    // extension: what a faulty or hostile PBX could send. False when the
    // extension has no user.
    bool sendRawEvent(const QString &toExten, const QString &name, const QJsonObject &data);
    // Off: the queue is left out of the period statistics replies, as for a
    // queue the PBX has no figures for.
    void setPeriodStatsShown(const QString &queueId, bool shown);
    // Disconnects the sessions of a user (all sessions for "*") with a reason.
    int disconnectClients(const QString &user, const QString &reason);
    // Disconnects everybody with "ServerRestart" and drops the calls.
    void restart();

    // --- inspection
    int sessionCount() const;
    QStringList loggedInUsers() const;
    int activeCallCount() const;
    // The text messages sent so far, oldest first.
    const QList<SimSms> &sentSms() const { return m_sentSms; }
    // Whether the SIP side listens (listenSip() succeeded).
    bool isSipListening() const { return m_sip != nullptr; }
    // One text command of the control interface; returns the answer text.
    QString executeControl(const QString &line);
    static QString controlHelp();

signals:
    void clientLoggedIn(const QString &user);
    void clientDisconnected(const QString &user);
    // Every command a client sends (after log-in), for tests.
    void commandReceived(const QString &user, const QString &command, const QJsonObject &args);
    void sipRegistrationChanged(const QString &exten, bool registered);
    void sipDigitReceived(const QString &uid, QChar digit);
    // Asks the program to quit (control command "quit").
    void quitRequested();

private:
    friend struct SimSession;
    void onNewConnection(QSslSocket *socket);
    void onReadyRead(SimSession *s);
    void dropSession(SimSession *s, const QString &why);
    void handleRequest(SimSession *s, qint64 id, const QString &cmd, const QJsonObject &args);
    void handleLogin(SimSession *s, qint64 id, const QJsonObject &args);
    void trace(SimSession *s, const QString &cmd, const QJsonObject &args);

    // --- requests of a logged-in client: handleCommand() finds the handler by
    // the request's name in a table (pbxsimrequests.cpp); each handler answers
    // true, or false with the error code of the answer.
    bool handleCommand(SimSession *s, const QString &cmd, const QJsonObject &args, QString *error);
    static const SimRequestHandler *requestHandler(const QString &cmd);
    bool reqIdentities(SimRequest &r, QString *error);
    bool reqPhonebooks(SimRequest &r, QString *error);
    bool reqExtenStatus(SimRequest &r, QString *error);
    bool reqServiceStatus(SimRequest &r, QString *error);
    bool reqNothing(SimRequest &r, QString *error);
    bool reqCdr(SimRequest &r, QString *error);
    bool reqContact(SimRequest &r, QString *error);
    bool reqSendSms(SimRequest &r, QString *error);
    bool reqNewCall(SimRequest &r, QString *error);
    bool reqHangupCall(SimRequest &r, QString *error);
    bool reqParkCall(SimRequest &r, QString *error);
    bool reqRedirectCall(SimRequest &r, QString *error);
    bool reqPhoneGetDnd(SimRequest &r, QString *error);
    bool reqPhoneMakeCall(SimRequest &r, QString *error);
    bool reqPhonePressKeys(SimRequest &r, QString *error);
    bool reqPhoneAnswer(SimRequest &r, QString *error);
    bool reqPhoneHangup(SimRequest &r, QString *error);
    bool reqPhoneHold(SimRequest &r, QString *error);
    bool reqPhoneTransfer(SimRequest &r, QString *error);
    bool reqPhoneSendDtmf(SimRequest &r, QString *error);
    bool reqPhoneUnknown(SimRequest &r, QString *error);
    bool reqChatSend(SimRequest &r, QString *error);
    bool reqChatComposing(SimRequest &r, QString *error);
    bool reqSetPresence(SimRequest &r, QString *error);
    bool reqChatHistory(SimRequest &r, QString *error);
    bool reqSetService(SimRequest &r, QString *error);
    bool reqVoicemail(SimRequest &r, QString *error);
    bool reqMailboxStatus(SimRequest &r, QString *error);
    bool reqDownloadVoicemail(SimRequest &r, QString *error);
    bool reqMarkVoicemail(SimRequest &r, QString *error);
    bool reqPauseQueues(SimRequest &r, QString *error);
    bool reqAddQueueMember(SimRequest &r, QString *error);
    bool reqRemoveQueueMember(SimRequest &r, QString *error);
    bool reqQueuesStats(SimRequest &r, QString *error);
    bool reqQueuePeriodicStats(SimRequest &r, QString *error);
    bool reqOperatorPeriodicStats(SimRequest &r, QString *error);
    bool reqCCReport(SimRequest &r, QString *error);

    void send(SimSession *s, const QByteArray &frame);
    void pump(SimSession *s);
    void sendEvent(SimSession *s, const QString &name, const QJsonObject &data);
    void sendEventToUser(const QString &userKey, const QString &name, const QJsonObject &data);
    void broadcast(const QString &name, const QJsonObject &data);
    QList<SimSession *> sessionsOf(const QString &userKey) const;
    QString userKeyOfExten(const QString &exten) const;
    bool deskPhoneActive(SimSession *s) const;

    // directories
    void sendPhonebooks(SimSession *s, int flags);
    void sendCdr(const QString &userKey);
    void sendServices(const QString &userKey);
    void sendVoicemailList(SimSession *s);
    void sendMailboxStatus(const QString &userKey, SimSession *only = nullptr);
    void broadcastExtenStatus(const QString &exten);
    QJsonObject buddyStatusJson(const SimExtension &x) const;
    void invalidateCaches();

    // calls
    SimCall *startCall(const QString &callerExten, const QString &callerNum, const QString &callerName,
                       const QString &target, int attrs, const QString &queueId, bool announceCaller);
    SimLeg extensionLeg(const QString &exten, const QString &number, const QString &name);
    SimCall *pickUp(const QString &callerExten, const QString &callerNum, const QString &callerName,
                    const QString &target);
    void takeOver(SimCall *c, const QString &callerExten, const QString &callerNum, const QString &callerName,
                  const QString &target);
    void announceCall(SimCall *c, bool announceCaller);
    void answerCall(SimCall *c);
    void endCall(SimCall *c, int hangupLeg, const QString &reason);
    void missCall(SimCall *c);
    void sendLegEvents(SimCall *c, int leg, const QString &what, const QString &reason = QString(),
                       bool localHangup = false);
    void appendCdr(SimCall *c, int leg);
    SimCall *findCall(const QString &idOrChannel) const;
    SimCall *findCallOfUserLeg(const QString &userKey, const QString &id, int *leg) const;
    void redirect(SimCall *c, int leg, const QString &number);
    void park(SimCall *c, int leg);
    void setHold(SimCall *c, int leg, bool held);
    void closeLegs(SimCall *c);
    void removeCall(SimCall *c);
    QString newChannel(const QString &exten);
    SimCall *callOfSipToken(int token) const;
    void onSipOutgoing(int token, const QString &exten, const QString &target);
    void onSipTransfer(int token, const QString &target, int replacesToken);
    void onSipDigit(int token, QChar digit);

    PbxSipServer *m_sip = nullptr;
    bool m_sipPlacing = false;            // a softphone's own call is being set up
    QMap<QString, QString> m_sipDigits;   // by call uid, since the last service code
    QMap<QString, QString> m_sipDigitLog; // by call uid, every digit
    QMap<QString, bool> m_sipRecording;   // by call uid

    PbxSimData m_data;
    PbxSimTlsServer *m_server = nullptr;
    QList<SimSession *> m_sessions;
    QList<SimCall *> m_calls;
    QList<SimSms> m_sentSms;
    QMap<QString, SimCall *> m_parked; // slot -> parked call
    QList<QSslCertificate> m_chain;
    QSslKey m_key;
    int m_answerDelayMs = 2000;
    int m_ringTimeoutMs = 25000;
    int m_talkTimeMs = 0;
    int m_parkTimeoutMs = 45000;
    int m_chatReplyDelayMs = 1500;
    bool m_answerKeepAlives = true;
    bool m_echoMailboxStatus = false;
    QSet<QString> m_periodStatsHidden; // queue ids left out of the period statistics
    QFile *m_trace = nullptr;
    quint64 m_counter = 0;
    // The shared phone book as JSON slices, made once.
    QList<QByteArray> m_sharedBookSlices;
    static constexpr int kPhonebookSlice = 5000;
    static QList<QByteArray> bookSlices(const PhoneBook &book);
    QMap<QString, QByteArray> m_cdrCache; // the "cdr" event of each user
};
