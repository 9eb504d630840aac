#include "pbxsimdata.h"

#include "ctijson.h"

#include <QDataStream>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace
{

PhoneBookEntry contact(const QString &id, const QString &first, const QString &last, const QString &company,
                       const QString &dept, const QString &phone, const QString &mobile, const QString &email)
{
    PhoneBookEntry e;
    e.id = id;
    e.firstName = first;
    e.lastName = last;
    e.displayName = QStringLiteral("%1 %2").arg(first, last).trimmed();
    e.company = company;
    e.department = dept;
    e.phone = phone;
    e.mobile = mobile;
    e.email = email;
    e.lastModified = 1700000000000;
    if (!phone.isEmpty())
        e.contacts.append({QStringLiteral("phone"), QStringLiteral("work"), phone, true});
    if (!mobile.isEmpty())
        e.contacts.append({QStringLiteral("phone"), QStringLiteral("mobile"), mobile, false});
    if (!email.isEmpty())
        e.contacts.append({QStringLiteral("email"), QStringLiteral("work"), email, false});
    return e;
}

CdrEntry cdr(int n, const QString &callerNum, const QString &callerName, const QString &calledNum,
             const QString &calledName, bool incoming, bool answered, bool local, int minutesAgo, int duration,
             int attrs = 0)
{
    CdrEntry c;
    c.uid = QStringLiteral("cdr-%1").arg(n);
    c.callerNum = callerNum;
    c.callerName = callerName;
    c.calledNum = calledNum;
    c.calledName = calledName;
    c.direction = incoming ? QStringLiteral("in") : QStringLiteral("out");
    c.startTime =
        QDateTime::currentDateTime().addSecs(-60 * minutesAgo).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    c.duration = answered ? duration : 0;
    c.callAttributes = attrs | (local ? CTILIB::CallAttrInternal : CTILIB::CallAttrExternal);
    c.callTypeKey = QStringLiteral("%1%2_%3").arg(answered ? QStringLiteral("ANSWER") : QStringLiteral("NOANSWER"),
                                                  local ? QStringLiteral("_LOCAL") : QString(),
                                                  incoming ? QStringLiteral("IN") : QStringLiteral("OUT"));
    return c;
}

IdentityEntry sipIdentity(const QString &exten, const QString &password)
{
    IdentityEntry id;
    id.identifier = exten;
    id.type = QStringLiteral("SIP");
    id.sipUsername = exten;
    id.sipPassword = password;
    id.codecList =
        QStringList{QStringLiteral("opus"), QStringLiteral("G722"), QStringLiteral("PCMA"), QStringLiteral("PCMU")};
    id.sipTos = 0x68;
    id.audioTos = 0xb8;
    id.dtmfMode = CTILIB::DtmfModeRfc2833;
    id.displayName = exten;
    return id;
}

const char *const kFirstNames[] = {"Giulia", "Luca",      "Marco",  "Sara",  "Paolo",  "Elena", "Andrea", "Chiara",
                                   "Matteo", "Francesca", "Davide", "Laura", "Simone", "Anna",  "Fabio",  "Marta"};
const char *const kLastNames[] = {"Bianchi", "Rossi",    "Ferrari", "Russo", "Romano", "Gallo",  "Costa",    "Fontana",
                                  "Conti",   "Esposito", "Ricci",   "Bruno", "Greco",  "Marino", "Lombardi", "Moretti"};
const char *const kCompanies[] = {"Acme S.p.A.",       "Idraulica Po", "Studio Verdi", "Logistica Nord",
                                  "Farmacia Centrale", "Edilcasa",     "Tecnoservice", "Hotel Aurora"};
const char *const kDepartments[] = {"Amministrazione", "Vendite", "Supporto", "Magazzino", "Direzione"};

} // namespace

QStringList SimUser::accounts() const
{
    QStringList out;
    for (const IdentityEntry &id : identities)
        out << id.identifier;
    if (out.isEmpty())
        out << extension;
    return out;
}

QString PbxSimData::userKey(const QString &username, const QString &tenant)
{
    return tenant.isEmpty() ? username : QStringLiteral("%1@%2").arg(username, tenant);
}

PbxSimData PbxSimData::demo()
{
    PbxSimData d;

    struct Ext {
        const char *num, *first, *last, *dept;
    };
    const Ext exts[] = {
        {"201", "Giulia", "Bianchi", "Direzione"},     {"202", "Luca", "Rossi", "Supporto"},
        {"203", "Sara", "Ferrari", "Supporto"},        {"204", "Paolo", "Russo", "Vendite"},
        {"205", "Elena", "Romano", "Vendite"},         {"206", "Andrea", "Gallo", "Amministrazione"},
        {"207", "Chiara", "Costa", "Amministrazione"}, {"208", "Matteo", "Fontana", "Magazzino"},
        {"209", "Francesca", "Conti", "Supporto"},     {"210", "Davide", "Esposito", "Vendite"},
        {"211", "Laura", "Ricci", "Reception"},        {"212", "Simone", "Bruno", "Magazzino"},
    };
    int i = 0;
    for (const Ext &e : exts) {
        SimExtension x;
        x.number = QString::fromLatin1(e.num);
        x.firstName = QString::fromLatin1(e.first);
        x.lastName = QString::fromLatin1(e.last);
        x.company = QStringLiteral("Ufficio Demo");
        x.department = QString::fromLatin1(e.dept);
        x.email = QStringLiteral("%1.%2@ufficio.example").arg(x.firstName.toLower(), x.lastName.toLower());
        x.mobile = QStringLiteral("+39 333 55500%1").arg(i, 2, 10, QLatin1Char('0'));
        x.blf = (i % 5 == 3) ? CTILIB::BlfUnavailable : CTILIB::BlfIdle;
        x.presence =
            (i % 4 == 0) ? CTILIB::PresenceAvailable : (i % 4 == 1 ? CTILIB::PresenceOnline : CTILIB::PresenceOffline);
        x.colleague = x.number == QLatin1String("202");
        if (x.colleague) {
            x.presence = CTILIB::PresenceAvailable;
            x.presenceMsg = QStringLiteral("In ufficio");
        }
        d.extensions.insert(x.number, x);
        ++i;
    }

    auto addUser = [&d](const QString &name, const QString &pwd, const QString &exten, int role) {
        const SimExtension &x = d.extensions[exten];
        SimUser u;
        u.username = name;
        u.password = pwd;
        u.extension = exten;
        u.firstName = x.firstName;
        u.lastName = x.lastName;
        u.email = x.email;
        u.mobile = x.mobile;
        u.queueRole = role;
        IdentityEntry id = sipIdentity(exten, QStringLiteral("sip%1").arg(exten));
        id.phoneIp = QStringLiteral("127.0.0.1");
        id.phonePort = 5062;
        id.phoneUserAgent = QStringLiteral("snomD785/10.1.54.13");
        id.phoneVendor = QStringLiteral("snom");
        id.phoneModel = QStringLiteral("D785");
        id.phoneMac = QStringLiteral("00:04:13:00:02:%1").arg(exten.right(2));
        id.note = QStringLiteral("Scrivania %1").arg(exten);
        u.identities << id;
        d.users.insert(userKey(u.username, u.tenant), u);
    };
    addUser(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("201"), 2);
    addUser(QStringLiteral("luca"), QStringLiteral("luca"), QStringLiteral("202"), 1);
    addUser(QStringLiteral("sara"), QStringLiteral("sara"), QStringLiteral("203"), 0);

    d.sharedContacts = {
        contact(QStringLiteral("pb-1"), QStringLiteral("Mario"), QStringLiteral("Verdi"), QStringLiteral("Acme S.p.A."),
                QStringLiteral("Acquisti"), QStringLiteral("+39 02 1234567"), QStringLiteral("+39 333 1234567"),
                QStringLiteral("mario.verdi@acme.example")),
        contact(QStringLiteral("pb-2"), QStringLiteral("Anna"), QStringLiteral("Neri"), QStringLiteral("Studio Verdi"),
                QStringLiteral("Segreteria"), QStringLiteral("+39 06 7654321"), QString(),
                QStringLiteral("anna@studioverdi.example")),
        contact(QStringLiteral("pb-3"), QStringLiteral("Roberto"), QStringLiteral("Gialli"),
                QStringLiteral("Logistica Nord"), QStringLiteral("Spedizioni"), QStringLiteral("+39 011 555222"),
                QStringLiteral("+39 347 9988776"), QString()),
        contact(QStringLiteral("pb-4"), QStringLiteral("Federica"), QStringLiteral("Blu"),
                QStringLiteral("Farmacia Centrale"), QString(), QStringLiteral("+39 051 332211"), QString(),
                QStringLiteral("info@farmacia.example")),
        contact(QStringLiteral("pb-5"), QStringLiteral("Giorgio"), QStringLiteral("Marrone"),
                QStringLiteral("Edilcasa"), QStringLiteral("Cantieri"), QStringLiteral("+39 045 8001122"),
                QStringLiteral("+39 320 4455667"), QString()),
        contact(QStringLiteral("pb-6"), QStringLiteral("Silvia"), QStringLiteral("Arancio"),
                QStringLiteral("Hotel Aurora"), QStringLiteral("Ricevimento"), QStringLiteral("+39 0471 123123"),
                QString(), QStringLiteral("reception@aurora.example")),
        contact(QStringLiteral("pb-7"), QStringLiteral("Tecnoservice"), QString(), QStringLiteral("Tecnoservice"),
                QStringLiteral("Assistenza"), QStringLiteral("800 123 456"), QString(), QString()),
    };
    d.personalContacts.insert(QStringLiteral("demo"),
                              {contact(QStringLiteral("pc-1"), QStringLiteral("Zia"), QStringLiteral("Carla"),
                                       QString(), QString(), QString(), QStringLiteral("+39 338 7766554"), QString())});

    Cdr calls;
    calls << cdr(1, QStringLiteral("+39021234567"), QStringLiteral("Mario Verdi"), QStringLiteral("201"),
                 QStringLiteral("Giulia Bianchi"), true, true, false, 600, 184)
          << cdr(2, QStringLiteral("201"), QStringLiteral("Giulia Bianchi"), QStringLiteral("202"),
                 QStringLiteral("Luca Rossi"), false, true, true, 480, 62)
          << cdr(3, QStringLiteral("+39067654321"), QStringLiteral("Anna Neri"), QStringLiteral("201"),
                 QStringLiteral("Giulia Bianchi"), true, false, false, 300, 0)
          << cdr(4, QStringLiteral("201"), QStringLiteral("Giulia Bianchi"), QStringLiteral("+39011555222"),
                 QStringLiteral("Roberto Gialli"), false, false, false, 240, 0)
          << cdr(5, QStringLiteral("205"), QStringLiteral("Elena Romano"), QStringLiteral("201"),
                 QStringLiteral("Giulia Bianchi"), true, true, true, 120, 33)
          << cdr(6, QStringLiteral("+390458001122"), QStringLiteral("Giorgio Marrone"), QStringLiteral("201"),
                 QStringLiteral("Giulia Bianchi"), true, true, false, 90, 421, CTILIB::CallAttrQueue)
          << cdr(7, QStringLiteral("+39051332211"), QStringLiteral(""), QStringLiteral("201"),
                 QStringLiteral("Giulia Bianchi"), true, false, false, 45, 0)
          << cdr(8, QStringLiteral("201"), QStringLiteral("Giulia Bianchi"), QStringLiteral("+390471123123"),
                 QStringLiteral("Silvia Arancio"), false, true, false, 20, 95);
    d.cdrs.insert(QStringLiteral("demo"), calls);

    auto member = [&d](const QString &exten, bool dynamic) {
        QueueStatsMember m;
        m.memberId = exten;
        m.extension = exten;
        m.name = d.extensions.value(exten).name();
        m.memberType = dynamic ? 1 : 0;
        m.lastCall = QDateTime::currentDateTime().addSecs(-1800);
        m.lastPauseChange = QDateTime::currentDateTime().addSecs(-3600);
        m.completedCalls = 3;
        return m;
    };
    SimQueue support{QStringLiteral("600"), QStringLiteral("Supporto"), {}};
    support.members << member(QStringLiteral("201"), false) << member(QStringLiteral("202"), false)
                    << member(QStringLiteral("203"), true) << member(QStringLiteral("209"), false);
    SimQueue sales{QStringLiteral("601"), QStringLiteral("Vendite"), {}};
    sales.members << member(QStringLiteral("201"), true) << member(QStringLiteral("204"), false)
                  << member(QStringLiteral("205"), false) << member(QStringLiteral("210"), false);
    d.queues.insert(support.id, support);
    d.queues.insert(sales.id, sales);

    VoicemailMessage vm;
    vm.id = QStringLiteral("1");
    vm.uuid = QStringLiteral("vm-0001");
    vm.senderNum = QStringLiteral("+39021234567");
    vm.senderName = QStringLiteral("Mario Verdi");
    vm.arrival = QDateTime::currentDateTime().addSecs(-7200);
    vm.folder = QStringLiteral("INBOX");
    vm.duration = 8;
    vm.unheard = true;
    d.voicemail.insert(QStringLiteral("demo"), {vm});

    ChatMessage hello;
    hello.id = QStringLiteral("chat-1");
    hello.sender = QStringLiteral("202");
    hello.exten = QStringLiteral("202");
    hello.body = QStringLiteral("Ciao Giulia, benvenuta nel simulatore!");
    hello.time = QDateTime::currentDateTimeUtc().addSecs(-3000);
    hello.direction = 0;
    hello.type = 2;
    d.chats.insert(QStringLiteral("demo"), {hello});

    const QPair<int, const char *> codes[] = {
        {1, "*78"},  {2, "*2"},   {3, "*5"},   {5, "*72"},  {6, "*73"},  {7, "701"}, {8, "720"}, {9, "*8"},
        {10, "*40"}, {11, "*41"}, {12, "*42"}, {13, "*43"}, {14, "*88"}, {21, "0"},  {22, "*4"}, {23, "*0"},
        {24, "*9"},  {25, "*3"},  {26, "#4"},  {27, "**"},  {28, "*1"},  {29, "#8"}, {30, "*0"},
    };
    for (const auto &c : codes)
        d.serviceCodes.insert(CTILIB::ServiceDialCodeType(c.first), QString::fromLatin1(c.second));

    d.sip.transport = QStringLiteral("UDP");
    d.sip.registrarAddress = QStringLiteral("127.0.0.1");
    d.sip.registrarPort = 5060;
    d.sip.proxyAddress = QString();
    d.sip.proxyPort = 5060;
    return d;
}

PbxSimData PbxSimData::generate(int contacts, int extensions, int cdrs)
{
    PbxSimData d = demo();
    const int nf = int(sizeof(kFirstNames) / sizeof(kFirstNames[0]));
    const int nl = int(sizeof(kLastNames) / sizeof(kLastNames[0]));
    const int nc = int(sizeof(kCompanies) / sizeof(kCompanies[0]));
    const int nd = int(sizeof(kDepartments) / sizeof(kDepartments[0]));

    for (int i = d.extensions.size(); i < extensions; ++i) {
        SimExtension x;
        x.number = QString::number(1000 + i);
        x.firstName = QString::fromLatin1(kFirstNames[i % nf]);
        x.lastName = QStringLiteral("%1 %2").arg(QString::fromLatin1(kLastNames[(i / nf) % nl])).arg(i);
        x.company = QStringLiteral("Ufficio Demo");
        x.department = QString::fromLatin1(kDepartments[i % nd]);
        x.email = QStringLiteral("utente%1@ufficio.example").arg(i);
        x.blf = (i % 7 == 0) ? CTILIB::BlfInUse : CTILIB::BlfIdle;
        x.presence = i % 6;
        d.extensions.insert(x.number, x);
    }
    d.sharedContacts.reserve(contacts);
    for (int i = d.sharedContacts.size(); i < contacts; ++i) {
        const QString first = QString::fromLatin1(kFirstNames[i % nf]);
        const QString last = QStringLiteral("%1%2").arg(QString::fromLatin1(kLastNames[(i / nf) % nl])).arg(i);
        d.sharedContacts << contact(QStringLiteral("gen-%1").arg(i), first, last,
                                    QString::fromLatin1(kCompanies[i % nc]), QString::fromLatin1(kDepartments[i % nd]),
                                    QStringLiteral("+39 02 %1").arg(1000000 + i),
                                    (i % 3 == 0) ? QStringLiteral("+39 333 %1").arg(2000000 + i) : QString(),
                                    (i % 2 == 0) ? QStringLiteral("c%1@example.com").arg(i) : QString());
    }
    Cdr &calls = d.cdrs[QStringLiteral("demo")];
    for (int i = calls.size(); i < cdrs; ++i) {
        const bool incoming = i % 2 == 0;
        const bool answered = i % 3 != 0;
        const QString other = QStringLiteral("+3902%1").arg(3000000 + i);
        calls << (incoming ? cdr(i + 1, other, QString(), QStringLiteral("201"), QStringLiteral("Giulia Bianchi"), true,
                                 answered, false, cdrs - i, 30 + i % 600)
                           : cdr(i + 1, QStringLiteral("201"), QStringLiteral("Giulia Bianchi"), other, QString(),
                                 false, answered, false, cdrs - i, 30 + i % 600));
    }
    return d;
}

QByteArray PbxSimData::voicemailWav(int seconds)
{
    const quint32 rate = 8000;
    const quint32 samples = rate * quint32(qBound(0, seconds, 600));
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + samples * 2);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2) << quint16(16);
    s.writeRawData("data", 4);
    s << quint32(samples * 2);
    // 440 Hz for the first 0.3 s of every second, silence in between.
    for (quint32 i = 0; i < samples; ++i) {
        const bool tone = i % rate < rate * 3 / 10;
        const double v = tone ? 8000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / double(rate)) : 0.0;
        s << qint16(qRound(v));
    }
    return out;
}

// --- JSON form of a data set ---------------------------------------------------

namespace
{

QJsonObject userToJson(const SimUser &u)
{
    QJsonObject o;
    o.insert(QStringLiteral("username"), u.username);
    o.insert(QStringLiteral("password"), u.password);
    o.insert(QStringLiteral("tenant"), u.tenant);
    o.insert(QStringLiteral("extension"), u.extension);
    o.insert(QStringLiteral("firstName"), u.firstName);
    o.insert(QStringLiteral("lastName"), u.lastName);
    o.insert(QStringLiteral("email"), u.email);
    o.insert(QStringLiteral("mobile"), u.mobile);
    o.insert(QStringLiteral("queueRole"), u.queueRole);
    o.insert(QStringLiteral("deskPhoneAuthorized"), u.deskPhoneAuthorized);
    o.insert(QStringLiteral("identities"), CtiJson::listToJson(u.identities));
    return o;
}

bool userFromJson(const QJsonValue &v, SimUser &u, QString *error)
{
    if (!v.isObject()) {
        *error = QStringLiteral("expected an object");
        return false;
    }
    const QJsonObject o = v.toObject();
    return CtiJson::readString(o, "username", u.username, error) &&
           CtiJson::readString(o, "password", u.password, error) && CtiJson::readString(o, "tenant", u.tenant, error) &&
           CtiJson::readString(o, "extension", u.extension, error) &&
           CtiJson::readString(o, "firstName", u.firstName, error) &&
           CtiJson::readString(o, "lastName", u.lastName, error) && CtiJson::readString(o, "email", u.email, error) &&
           CtiJson::readString(o, "mobile", u.mobile, error) && CtiJson::readInt(o, "queueRole", u.queueRole, error) &&
           CtiJson::readBool(o, "deskPhoneAuthorized", u.deskPhoneAuthorized, error) &&
           (!o.contains(QLatin1String("identities")) ||
            CtiJson::listFromJson(o.value(QLatin1String("identities")), u.identities, error));
}

QJsonObject extToJson(const SimExtension &x)
{
    QJsonObject o;
    o.insert(QStringLiteral("number"), x.number);
    o.insert(QStringLiteral("firstName"), x.firstName);
    o.insert(QStringLiteral("lastName"), x.lastName);
    o.insert(QStringLiteral("company"), x.company);
    o.insert(QStringLiteral("department"), x.department);
    o.insert(QStringLiteral("email"), x.email);
    o.insert(QStringLiteral("mobile"), x.mobile);
    o.insert(QStringLiteral("blf"), x.blf);
    o.insert(QStringLiteral("presence"), x.presence);
    o.insert(QStringLiteral("presenceMsg"), x.presenceMsg);
    o.insert(QStringLiteral("colleague"), x.colleague);
    return o;
}

bool extFromJson(const QJsonValue &v, SimExtension &x, QString *error)
{
    if (!v.isObject()) {
        *error = QStringLiteral("expected an object");
        return false;
    }
    const QJsonObject o = v.toObject();
    return CtiJson::readString(o, "number", x.number, error) &&
           CtiJson::readString(o, "firstName", x.firstName, error) &&
           CtiJson::readString(o, "lastName", x.lastName, error) &&
           CtiJson::readString(o, "company", x.company, error) &&
           CtiJson::readString(o, "department", x.department, error) &&
           CtiJson::readString(o, "email", x.email, error) && CtiJson::readString(o, "mobile", x.mobile, error) &&
           CtiJson::readInt(o, "blf", x.blf, error) && CtiJson::readInt(o, "presence", x.presence, error) &&
           CtiJson::readString(o, "presenceMsg", x.presenceMsg, error) &&
           CtiJson::readBool(o, "colleague", x.colleague, error);
}

template <typename T> bool mapOfListsFromJson(const QJsonValue &v, QMap<QString, QList<T>> &out, QString *error)
{
    out.clear();
    if (v.isUndefined())
        return true;
    if (!v.isObject()) {
        *error = QStringLiteral("expected an object");
        return false;
    }
    const QJsonObject o = v.toObject();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        QList<T> list;
        if (!CtiJson::listFromJson(it.value(), list, error)) {
            *error = QStringLiteral("%1: %2").arg(it.key(), *error);
            return false;
        }
        out.insert(it.key(), list);
    }
    return true;
}

template <typename T> QJsonObject mapOfListsToJson(const QMap<QString, QList<T>> &m)
{
    QJsonObject o;
    for (auto it = m.constBegin(); it != m.constEnd(); ++it)
        o.insert(it.key(), CtiJson::listToJson(it.value()));
    return o;
}

} // namespace

QJsonObject PbxSimData::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("firmwareVersion"), firmwareVersion);
    o.insert(QStringLiteral("capabilities"), double(capabilities));
    o.insert(QStringLiteral("pbxName"), pbxName);
    QJsonArray us;
    for (const SimUser &u : users)
        us.append(userToJson(u));
    o.insert(QStringLiteral("users"), us);
    QJsonArray xs;
    for (const SimExtension &x : extensions)
        xs.append(extToJson(x));
    o.insert(QStringLiteral("extensions"), xs);
    o.insert(QStringLiteral("phonebook"), CtiJson::listToJson(sharedContacts));
    o.insert(QStringLiteral("personalContacts"), mapOfListsToJson(personalContacts));
    o.insert(QStringLiteral("cdrs"), mapOfListsToJson(cdrs));
    QJsonArray qs;
    for (const SimQueue &q : queues) {
        QJsonObject qo;
        qo.insert(QStringLiteral("id"), q.id);
        qo.insert(QStringLiteral("name"), q.name);
        qo.insert(QStringLiteral("members"), CtiJson::listToJson(q.members));
        qs.append(qo);
    }
    o.insert(QStringLiteral("queues"), qs);
    o.insert(QStringLiteral("voicemail"), mapOfListsToJson(voicemail));
    o.insert(QStringLiteral("chats"), mapOfListsToJson(chats));
    o.insert(QStringLiteral("serviceCodes"), CtiJson::toJson(serviceCodes));
    o.insert(QStringLiteral("sip"), CtiJson::toJson(sip));
    return o;
}

bool PbxSimData::loadJson(const QByteArray &json, QString *error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("not a JSON object: %1").arg(pe.errorString());
        return false;
    }
    const QJsonObject o = doc.object();
    PbxSimData d;
    d.serviceCodes.clear();
    if (!CtiJson::readString(o, "firmwareVersion", d.firmwareVersion, error) ||
        !CtiJson::readString(o, "pbxName", d.pbxName, error))
        return false;
    if (d.firmwareVersion.isEmpty())
        d.firmwareVersion = PbxSimData().firmwareVersion;
    if (o.contains(QLatin1String("capabilities"))) {
        const QJsonValue c = o.value(QLatin1String("capabilities"));
        if (!c.isDouble() || c.toDouble() < 0 || c.toDouble() > 4294967295.0) {
            *error = QStringLiteral("capabilities: invalid");
            return false;
        }
        d.capabilities = quint32(c.toDouble());
    }
    for (const QJsonValue &v : o.value(QLatin1String("users")).toArray()) {
        SimUser u;
        if (!userFromJson(v, u, error)) {
            *error = QStringLiteral("users: %1").arg(*error);
            return false;
        }
        if (u.username.isEmpty()) {
            *error = QStringLiteral("users: a user without name");
            return false;
        }
        d.users.insert(userKey(u.username, u.tenant), u);
    }
    for (const QJsonValue &v : o.value(QLatin1String("extensions")).toArray()) {
        SimExtension x;
        if (!extFromJson(v, x, error)) {
            *error = QStringLiteral("extensions: %1").arg(*error);
            return false;
        }
        d.extensions.insert(x.number, x);
    }
    if (o.contains(QLatin1String("phonebook")) &&
        !CtiJson::listFromJson(o.value(QLatin1String("phonebook")), d.sharedContacts, error))
        return false;
    if (!mapOfListsFromJson(o.value(QLatin1String("personalContacts")), d.personalContacts, error) ||
        !mapOfListsFromJson(o.value(QLatin1String("cdrs")), d.cdrs, error) ||
        !mapOfListsFromJson(o.value(QLatin1String("voicemail")), d.voicemail, error) ||
        !mapOfListsFromJson(o.value(QLatin1String("chats")), d.chats, error))
        return false;
    for (const QJsonValue &v : o.value(QLatin1String("queues")).toArray()) {
        SimQueue q;
        const QJsonObject qo = v.toObject();
        if (!CtiJson::readString(qo, "id", q.id, error) || !CtiJson::readString(qo, "name", q.name, error) ||
            !CtiJson::listFromJson(qo.value(QLatin1String("members")), q.members, error)) {
            *error = QStringLiteral("queues: %1").arg(*error);
            return false;
        }
        d.queues.insert(q.id, q);
    }
    if (o.contains(QLatin1String("serviceCodes")) &&
        !CtiJson::fromJson(o.value(QLatin1String("serviceCodes")), d.serviceCodes, error))
        return false;
    if (o.contains(QLatin1String("sip")) && !CtiJson::fromJson(o.value(QLatin1String("sip")), d.sip, error))
        return false;
    *this = d;
    return true;
}
