// State of the simulated PBX: users, extensions, directories, call records,
// queues, voicemail, services. Plain data; PbxSimulator acts on it.
#pragma once

#include "ctilibtypes.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>

struct SimUser {
    QString username;
    QString password;
    QString tenant;
    QString extension;
    QString firstName;
    QString lastName;
    QString email;
    QString mobile;
    int queueRole = 0;               // 0 none, 1 queue operator, 2 supervisor
    bool deskPhoneAuthorized = true; // desk phone control allowed
    IdentityList identities;
    // Service states by service name ("dnd", "ufwd", "forktomobile").
    QMap<QString, ServiceStatus> services;

    // The account named in the call events of this user.
    QString account() const { return identities.isEmpty() ? extension : identities.first().identifier; }
    QStringList accounts() const;
};

struct SimExtension {
    QString number;
    QString firstName;
    QString lastName;
    QString company;
    QString department;
    QString email;
    QString mobile;
    int blf = CTILIB::BlfIdle;
    int presence = CTILIB::PresenceOffline;
    QString presenceMsg;
    bool colleague = false; // answers chat messages by itself

    QString name() const { return QStringLiteral("%1 %2").arg(firstName, lastName).trimmed(); }
};

struct SimQueue {
    QString id;
    QString name;
    QList<QueueStatsMember> members;
};

struct PbxSimData {
    QString firmwareVersion = QStringLiteral("4.8.2");
    // SMS, report, DTMF strings, in-call codes, periodic stats, penalty,
    // identities rarely change, contacts editable.
    quint32 capabilities = 0x1 | 0x4 | 0x8 | 0x10 | 0x80 | 0x400 | 0x1000 | 0x2000;
    QString pbxName = QStringLiteral("VeloraPBX simulator");

    QMap<QString, SimUser> users;                          // by user name (and tenant, see userKey)
    QMap<QString, SimExtension> extensions;                // by number
    QList<PhoneBookEntry> sharedContacts;                  // the PBX phone book ("velora", "Public")
    QMap<QString, QList<PhoneBookEntry>> personalContacts; // by user key ("velora", "Private")
    QMap<QString, Cdr> cdrs;                               // by user key, oldest first
    QMap<QString, SimQueue> queues;                        // by queue id
    QMap<QString, VoicemailMessageList> voicemail;         // by user key
    QMap<QString, ChatMessageList> chats;                  // by user key
    ServicesDialCodesMap serviceCodes;
    SipConfiguration sip;

    static QString userKey(const QString &username, const QString &tenant);

    // A small office: a dozen extensions, a phone book, call history, two
    // queues, a voicemail, a chat colleague. User "demo", password "demo".
    static PbxSimData demo();
    // The demo office grown to the given sizes (for benchmarks).
    static PbxSimData generate(int contacts, int extensions, int cdrs);

    // Reads a data set written by toJson(); false with `error` when invalid.
    bool loadJson(const QByteArray &json, QString *error);
    QJsonObject toJson() const;

    // The audio of a simulated voicemail message: a PCM WAV file (8 kHz,
    // 16-bit mono) of the given length with a short tone at each second.
    static QByteArray voicemailWav(int seconds);
};
