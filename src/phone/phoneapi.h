// Desk-phone driver: controls the user's desk telephone through the CTI
// library's phone commands and turns the phone's events into call signals.
//
// The library names each call of the phone by a string call id (CSTA id);
// the rest of the program names call lines by 64-bit line ids. The driver
// hands out line ids from a counter that only grows (a line id is never
// reused by one driver object) and keeps each line's CSTA id beside it.
#pragma once

#include "ctilibtypes.h"
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

class CtiLib;
class QTimer;

struct PhoneLineInfo {
    QString remoteNum;
    QString cstaId;
};

// One phone command as the driver hands it to the CTI library (reported
// by PhoneApi::commandSent).
struct PhoneCommand {
    QString name; // "answer", "hangup", "hold", "resume", "transfer", "makeCall", "pressKeys", "sendDtmfs", "getDnd"
    QString cstaId;
    QString number; // transfer target or number dialled
    QString account;
    QStringList list; // keys or DTMF parts
    bool operator==(const PhoneCommand &o) const
    {
        return name == o.name && cstaId == o.cstaId && number == o.number && account == o.account && list == o.list;
    }
};

class PhoneApi : public QObject
{
    Q_OBJECT
public:
    enum Brand { BrandNone = 0, BrandSnom = 1, BrandYealink = 2, BrandGrandstream = 4 };
    // Milliseconds of pause per DTMF character sent.
    static constexpr int DtmfPauseMsPerChar = 300;

    PhoneApi(CtiLib *cti, const QString &ownExtension, const QString &pbxAddress, const QString &firmwareVersion,
             int brand, const ServicesDialCodesMap &serviceCodes, QObject *parent = nullptr);
    ~PhoneApi() override;

    bool isInitialized() const { return m_initialized; }
    int brand() const { return m_brand; }

    // --- lookups
    qlonglong getLineIdFromCstaId(const QString &cstaId) const;
    QString getCstaIdFromLineId(qlonglong lineId) const;
    qlonglong getLineIdFromCaller(const QString &remoteNum) const;
    bool isParkingSlot(qlonglong number) const;
    QList<qlonglong> lineIds() const { return m_lines.keys(); }

    // --- line maintenance
    bool updateLineRemote(qlonglong lineId, const QString &remoteNum, const QString &remoteName);
    void setFinishedCall(qlonglong lineId);

    // --- commands; false when nothing was sent (unknown line, no CTI link,
    // or a command the phone's brand does not offer)
    bool answerCall(qlonglong lineId);
    bool hangupCall(qlonglong lineId);
    bool putCallOnHold(qlonglong lineId);
    bool retrieveCall(qlonglong lineId);
    bool unattendedTransfer(const QString &number, qlonglong lineId);
    bool completeTransfer(qlonglong lineIdFrom, qlonglong lineIdTo);
    bool dialNumber(const QString &number, const QString &account);
    bool pressKey(const QString &key);
    bool redirectCall(const QString &number, qlonglong lineId);
    bool startSecondCall(const QString &number, qlonglong lineId, const QString &account);
    bool initAttendedTransfer(qlonglong lineId);
    bool parkCall(qlonglong lineId);
    bool fastTransferCall(qlonglong lineId);
    bool recordCall(qlonglong lineId);
    bool cancelAtxferCallDtmf(qlonglong lineId);
    bool attendedTransferCallDtmf(const QString &number, qlonglong lineId);

    // --- DTMF queue
    void processDtmfSequence(qlonglong lineId, const QStringList &dtmfs);
    int sendDtmfCode(const QString &dtmf, qlonglong lineId);
    bool isDtmfQueueIdle() const;
    // The timer that paces the queue (no parent: it is deleted deferred).
    QTimer *dtmfTimer() const { return m_dtmfTimer; }

    // The key list that types `number` after the phone's transfer key.
    static QStringList transferKeyList(const QString &number);

    // Pacing mode of the DTMF queue: true one character per step, false one
    // whole string per step. Set by the owner from the PBX capability word.
    bool m_dtmfOneCharPerStep = true;

signals:
    void sigIncomingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void sigOutgoingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void sigConnectedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void sigDisconnectedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void sigMissedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId);
    void sigHoldCall(qlonglong lineId, bool active);
    void sigDndStatusChanged(bool on);
    // A command was handed to the CTI library.
    void commandSent(const PhoneCommand &command);

public slots:
    void onPhoneEventIncomingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventOutgoingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventEstablishedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventEndedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventMissedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventHoldCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventUnholdCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId);
    void onPhoneEventDnd(bool on);
    void processNextDtmfSequence();
    void setDisconnected();

private:
    qlonglong addLine(const QString &remoteNum, const QString &cstaId);
    QList<qlonglong> removeLinesOf(const QString &cstaId);
    bool knowsLine(qlonglong lineId, const char *function) const;
    bool send(const PhoneCommand &command);
    bool queueServiceCode(qlonglong lineId, int code, const QString &extra, const char *function,
                          const char *missingText);
    QString serviceCode(int key) const;

    bool m_initialized = false;
    QString m_pbxAddress;
    QString m_ownExtension;
    QString m_firmwareVersion;
    CtiLib *m_cti = nullptr;
    int m_brand = BrandNone;
    QTimer *m_dtmfTimer = nullptr;
    QMap<qlonglong, PhoneLineInfo *> m_lines;
    qlonglong m_nextLineId = 0;
    QList<QPair<qlonglong, QStringList>> m_dtmfQueue;
    const ServicesDialCodesMap &m_serviceCodes;
};
