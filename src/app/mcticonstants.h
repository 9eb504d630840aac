// Texts that name things in the client's telephony data. Every source file
// that includes this header gets its own copy; all copies hold the same values.
#pragma once

#include <QRegExp>
#include <QString>

// Phonebook sources
static const QString PB_SOURCE_ZARAFA = QStringLiteral("zarafa");
static const QString PB_SOURCE_VELORA = QStringLiteral("velora");
static const QString PB_SOURCE_EXTEN = QStringLiteral("exten");
static const QString PB_SOURCE_OUTLOOK = QStringLiteral("outlook");

// Phonebook visibility
static const QString PB_VISIBILITY_PUBLIC = QStringLiteral("Public");
static const QString PB_VISIBILITY_PRIVATE = QStringLiteral("Private");

// Kinds of a contact entry
static const QString CONTACT_KIND_EXTEN = QStringLiteral("exten");
static const QString CONTACT_KIND_PHONE = QStringLiteral("phone");
static const QString CONTACT_KIND_EMAIL = QStringLiteral("email");
static const QString CONTACT_KIND_IM = QStringLiteral("im");
static const QString CONTACT_KIND_OTHER = QStringLiteral("other");

// Kinds of a telephone number (second kind of a "phone" entry)
static const QString NUMBER_KIND_EXTEN = QStringLiteral("exten");
static const QString NUMBER_KIND_MOBILE = QStringLiteral("mobile");
static const QString NUMBER_KIND_FAX = QStringLiteral("fax");
static const QString NUMBER_KIND_MAIN = QStringLiteral("main");
static const QString NUMBER_KIND_HOME = QStringLiteral("home");
static const QString NUMBER_KIND_WORK = QStringLiteral("work");
static const QString NUMBER_KIND_WORK_MOBILE = QStringLiteral("work_mobile");

// Date-time format, number-cleaning pattern and country code.
static const QString DATETIME_FORMAT = QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz");
// One character to strip from a telephone number: parentheses, white space,
// comma, full stop, slash, backslash or hyphen (the hyphen last, so that it is
// a literal and not a range). A leading plus sign and the digits stay.
static const QRegExp PHONE_NUMBER_STRIP_PATTERN(QStringLiteral("[()\\s,./\\\\-]"), Qt::CaseSensitive, QRegExp::RegExp);
static const QString DEFAULT_COUNTRY_CODE = QStringLiteral("39");

// Unknown and hidden callers
static const QString CALLER_UNKNOWN = QStringLiteral("unknown");
static const QString CALLER_UNKNOWN_NAME = QStringLiteral("unknown");
static const QString CALLER_ANONIMO = QStringLiteral("Anonimo");
static const QString CALLER_OUTSIDE_CALL = QStringLiteral("outsidecall");

// Reasons for the end of a connection
static const QString DISCONNECT_USER_REQUEST = QStringLiteral("UserRequest");
static const QString DISCONNECT_KEEPALIVE_REPLY_TIMEOUT = QStringLiteral("KeepAliveReplyTimeout");
static const QString DISCONNECT_SERVER_REFUSED = QStringLiteral("ServerRefused");

// Transport
static const QString TRANSPORT_UDP = QStringLiteral("UDP");

// Anonymous callers
static const QString CALLER_ANONYMOUS = QStringLiteral("anonymous");
static const QString CALLER_ANONYMOUS_NAME = QStringLiteral("anonymous");
static const QString CALLER_ANONYMOUS_LABEL = QStringLiteral("Anonymous");
static const QString CALLER_UNKNOWN_LABEL = QStringLiteral("Unknown");

// Call directions
static const QString CALL_DIR_INBOUND = QStringLiteral("inbound");
static const QString CALL_DIR_OUTBOUND = QStringLiteral("outbound");
static const QString CALL_DIR_LOCAL_EXTEN = QStringLiteral("local_exten");
static const QString CALL_DIR_REMOTE_EXTEN = QStringLiteral("remote_exten");
static const QString CALL_DIR_C2C = QStringLiteral("c2c");
static const QString CALL_DIR_C2C_MOBILE = QStringLiteral("c2c_mobile");
static const QString CALL_DIR_NONE = QString();

// Call scopes
static const QString CALL_SCOPE_INTERNAL = QStringLiteral("internal");
static const QString CALL_SCOPE_EXTERNAL = QStringLiteral("external");

// Kinds of queue membership
static const QString QUEUE_MEMBER_STATIC = QStringLiteral("static");
static const QString QUEUE_MEMBER_DYNAMIC = QStringLiteral("dynamic");
static const QString QUEUE_MEMBER_NONE = QString();

// Key names of a desk telephone, as the CTI library's key-press command takes them
static const QString PHONE_KEY_OK = QStringLiteral("OK");
static const QString PHONE_KEY_ENTER = QStringLiteral("ENTER");
static const QString PHONE_KEY_MUTE = QStringLiteral("MUTE");
static const QString PHONE_KEY_X = QStringLiteral("X");
static const QString PHONE_KEY_CANCEL = QStringLiteral("CANCEL");
static const QString PHONE_KEY_ANSWER = QStringLiteral("ANSWER");
static const QString PHONE_KEY_CALLEND = QStringLiteral("CALLEND");
static const QString PHONE_KEY_ONHOOK = QStringLiteral("ONHOOK");
static const QString PHONE_KEY_OFFHOOK = QStringLiteral("OFFHOOK");
static const QString PHONE_KEY_REDIAL = QStringLiteral("REDIAL");
static const QString PHONE_KEY_DND_ON = QStringLiteral("DNDOn");
static const QString PHONE_KEY_DND_OFF = QStringLiteral("DNDOff");
static const QString PHONE_KEY_REC = QStringLiteral("REC");
static const QString PHONE_KEY_SPEAKER = QStringLiteral("SPEAKER");
static const QString PHONE_KEY_HEADSET = QStringLiteral("HEADSET");
static const QString PHONE_KEY_TRANSFER = QStringLiteral("TRANSFER");
static const QString PHONE_KEY_HOLD = QStringLiteral("HOLD");
static const QString PHONE_KEY_0 = QStringLiteral("0");
static const QString PHONE_KEY_1 = QStringLiteral("1");
static const QString PHONE_KEY_2 = QStringLiteral("2");
static const QString PHONE_KEY_3 = QStringLiteral("3");
static const QString PHONE_KEY_4 = QStringLiteral("4");
static const QString PHONE_KEY_5 = QStringLiteral("5");
static const QString PHONE_KEY_6 = QStringLiteral("6");
static const QString PHONE_KEY_7 = QStringLiteral("7");
static const QString PHONE_KEY_8 = QStringLiteral("8");
static const QString PHONE_KEY_9 = QStringLiteral("9");
static const QString PHONE_KEY_POUND = QStringLiteral("POUND");
static const QString PHONE_KEY_STAR = QStringLiteral("STAR");

// Result words
static const QString RESULT_OK = QStringLiteral("OK");
static const QString RESULT_KO = QStringLiteral("KO");
