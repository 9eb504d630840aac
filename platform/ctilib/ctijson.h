// JSON form of the CTI records, shared by the client and the PBX simulator.
//
// Every record is a JSON object whose keys are the record's field names;
// fields holding their default value are left out by toJson()
// (toJsonWithDefaults() writes them all).
// Decoding is strict about types (a peer is not trusted): a field of the wrong
// JSON type makes the whole record invalid and `error` names the field.
// Missing fields keep their default value; unknown fields are ignored.
#pragma once

#include "ctilibtypes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace CtiJson
{

class TextReader;

// Upper bound of the elements of one list inside a message.
constexpr int MaxListElements = 2000000;

// fromJsonText() reads the same record straight from JSON text (see
// ctijsontext.h), with the same checks and the same outcome; false, without an
// error text, when the text is not taken or the record is invalid: fromJson()
// on the parsed document then names the fault.
#define CTIJSON_DECLARE(Type)                                                                                          \
    QJsonObject toJson(const Type &value);                                                                             \
    QJsonObject toJsonWithDefaults(const Type &value);                                                                 \
    bool fromJson(const QJsonValue &json, Type &out, QString *error = nullptr);                                        \
    bool fromJsonText(TextReader &reader, Type &out);

CTIJSON_DECLARE(LoginDetails)
CTIJSON_DECLARE(IdentityEntry)
CTIJSON_DECLARE(SipConfiguration)
CTIJSON_DECLARE(IncomingCallEvent)
CTIJSON_DECLARE(OriginateCallEvent)
CTIJSON_DECLARE(AnsweredCallEvent)
CTIJSON_DECLARE(FinishedCallEvent)
CTIJSON_DECLARE(MissedCallEvent)
CTIJSON_DECLARE(ColpUpdateEvent)
CTIJSON_DECLARE(CallLocalInfoUpdateEvent)
CTIJSON_DECLARE(ChannelStatus)
CTIJSON_DECLARE(BuddyStatus)
CTIJSON_DECLARE(ContactEntry)
CTIJSON_DECLARE(PhoneBookEntry)
CTIJSON_DECLARE(PhoneBook)
CTIJSON_DECLARE(CdrEntry)
CTIJSON_DECLARE(ChatMessage)
CTIJSON_DECLARE(ServiceStatus)
CTIJSON_DECLARE(InCallServiceStatus)
CTIJSON_DECLARE(VoicemailMessage)
CTIJSON_DECLARE(MailboxStatus)
CTIJSON_DECLARE(QueueMember)
CTIJSON_DECLARE(QueueEvent)
CTIJSON_DECLARE(QueueStatsMember)
CTIJSON_DECLARE(QueueStats)
CTIJSON_DECLARE(QueuePeriodicStats)
CTIJSON_DECLARE(QueuePeriodicStatsList)
CTIJSON_DECLARE(QueueOperatorPeriodicStats)
CTIJSON_DECLARE(CallCenterReport)

#undef CTIJSON_DECLARE

// Lists of records: a JSON array of objects.
template <typename T> QJsonArray listToJson(const QList<T> &list)
{
    QJsonArray a;
    for (const T &v : list)
        a.append(toJson(v));
    return a;
}

template <typename T> bool listFromJson(const QJsonValue &json, QList<T> &out, QString *error = nullptr)
{
    out.clear();
    if (!json.isArray()) {
        if (error)
            *error = QStringLiteral("expected an array");
        return false;
    }
    const QJsonArray a = json.toArray();
    if (a.size() > MaxListElements) {
        if (error)
            *error = QStringLiteral("too many elements");
        return false;
    }
    out.reserve(a.size());
    for (int i = 0; i < a.size(); ++i) {
        T v;
        if (!fromJson(a.at(i), v, error)) {
            if (error)
                *error = QStringLiteral("[%1].%2").arg(i).arg(*error);
            return false;
        }
        out.append(v);
    }
    return true;
}

// Service dial codes: an object {"2": "*2", ...} keyed by the numbers of
// CTILIB::ServiceDialCodeType. Keys that are not one of them are left out and
// listed in `skipped`.
bool isServiceDialCodeType(int value);
QJsonObject toJson(const ServicesDialCodesMap &codes);
bool fromJson(const QJsonValue &json, ServicesDialCodesMap &out, QString *error = nullptr,
              QStringList *skipped = nullptr);

// Extension statuses: an array of BuddyStatus, keyed by their extension.
QJsonArray toJson(const BuddyStatusMap &statuses);
bool fromJson(const QJsonValue &json, BuddyStatusMap &out, QString *error = nullptr);

// Lists of records and extension statuses from JSON text; a plain integer.
bool fromJsonText(TextReader &reader, PhoneBookList &out);
bool fromJsonText(TextReader &reader, Cdr &out);
bool fromJsonText(TextReader &reader, BuddyStatusMap &out);
bool fromJsonText(TextReader &reader, int &out);

// Plain values with the same strictness.
bool readString(const QJsonObject &o, const char *key, QString &out, QString *error);
bool readInt(const QJsonObject &o, const char *key, int &out, QString *error);
bool readBool(const QJsonObject &o, const char *key, bool &out, QString *error);
bool readStringList(const QJsonObject &o, const char *key, QStringList &out, QString *error);
bool readDateTime(const QJsonObject &o, const char *key, QDateTime &out, QString *error);
QJsonValue dateTimeToJson(const QDateTime &dt);

} // namespace CtiJson
