#include "mpenginerules.h"

#include <QHash>

namespace MPEngineRules
{

HostPort parseRegistrar(const QString &address)
{
    HostPort hp;
    const QString a = address.trimmed();
    QString portText;
    bool hasPort = false;
    if (a.startsWith(QLatin1Char('['))) {
        const int close = a.indexOf(QLatin1Char(']'));
        if (close < 0) {
            hp.host = a;
            return hp;
        }
        hp.host = a.left(close + 1);
        const QString rest = a.mid(close + 1);
        if (rest.startsWith(QLatin1Char(':'))) {
            hasPort = true;
            portText = rest.mid(1);
        }
    } else if (a.count(QLatin1Char(':')) > 1) {
        hp.host = a; // a bare IPv6 literal
    } else {
        const QStringList parts = a.split(QLatin1Char(':'));
        hp.host = parts.value(0);
        if (parts.size() >= 2) {
            hasPort = true;
            portText = parts.at(1);
        }
    }
    if (hasPort) {
        bool ok = false;
        const int port = portText.toInt(&ok, 10);
        hp.port = (ok && port > 0 && port <= 65535) ? port : 0;
    }
    return hp;
}

bool mapDtmfMode(int pbxMode, int *engineMode)
{
    // rfc2833 -> RFC 4733 events, inband -> tones in the audio.
    static const QHash<int, int> table{{2, 1}, {1, 0}};
    const auto it = table.constFind(pbxMode);
    if (it == table.constEnd())
        return false;
    if (engineMode)
        *engineMode = it.value();
    return true;
}

QStringList mapCodecs(const QStringList &pbxCodecs)
{
    static const QHash<QString, QString> table{{QStringLiteral("gsm"), QStringLiteral("GSM")},
                                               {QStringLiteral("alaw"), QStringLiteral("PCMA")},
                                               {QStringLiteral("ulaw"), QStringLiteral("PCMU")},
                                               {QStringLiteral("g726"), QStringLiteral("G726")},
                                               {QStringLiteral("g722"), QStringLiteral("G7221")}};
    QStringList out;
    for (const QString &c : pbxCodecs) {
        const auto it = table.constFind(c);
        if (it != table.constEnd())
            out << it.value();
    }
    return out;
}

namespace
{
bool hasControlCharacter(const QString &s)
{
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || c.category() == QChar::Other_Format || u == 0x2028 ||
            u == 0x2029)
            return true;
    }
    return false;
}

// unreserved and user-unreserved characters of a SIP URI's user part.
QString escapeUser(const QString &user)
{
    static const QByteArray keep = QByteArrayLiteral("-_.!~*'()&=+$,;?/");
    const QByteArray utf8 = user.toUtf8();
    QString out;
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        const uchar u = uchar(ch);
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || keep.contains(ch))
            out += QLatin1Char(ch);
        else
            out += QStringLiteral("%%1").arg(uint(u), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}
} // namespace

QString sipAddress(const QString &number, const QString &registrarAddress, int registrarPort)
{
    const QString n = number.trimmed();
    if (n.isEmpty() || hasControlCharacter(n))
        return QString();
    if (registrarAddress.isEmpty() || n.contains(QLatin1Char('@')))
        return n;
    QString out = QStringLiteral("%1@%2").arg(escapeUser(n), registrarAddress);
    if (registrarPort != 5060 && !out.contains(QLatin1Char(':')))
        out += QStringLiteral(":%1").arg(registrarPort);
    return out;
}

bool isDtmfCharacter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || u == '*' || u == '#' || (u >= 'A' && u <= 'D');
}

HoldResult holdResult(unsigned status)
{
    switch (status) {
    case 0:
    case 1:
    case 4:
        return HoldResult::Held;
    case 2:
        return HoldResult::Active;
    default:
        return HoldResult::Failed;
    }
}

RingingAction checkRinging(bool quiet, bool ringingSoundPlaying, bool callNoticePlaying)
{
    if (quiet) {
        if (ringingSoundPlaying || callNoticePlaying)
            return RingingAction::RingingSound;
        return RingingAction::StopBoth;
    }
    if (ringingSoundPlaying || callNoticePlaying)
        return RingingAction::CallNotice;
    return RingingAction::None;
}

QString longDeviceName(const QString &engineName, const QStringList &systemNames, int *matched)
{
    if (matched)
        *matched = -1;
    for (int i = 0; i < systemNames.size(); ++i) {
        if (!engineName.isEmpty() && systemNames.at(i).contains(engineName, Qt::CaseSensitive)) {
            if (matched)
                *matched = i;
            return systemNames.at(i);
        }
    }
    return engineName;
}

} // namespace MPEngineRules
