#include "apiprotocol.h"

#include "calls/mcticalldetails.h"
#include "ctilib.h"
#include "framework/simplexmlparser.h"
#include "queues/queuestatus.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace ApiProtocol
{

namespace
{

const QLatin1String kRequestOpen("<mpbx_request>");
const QLatin1String kRequestClose("</mpbx_request>");

// The commands in the order they are tested.
struct CommandEntry {
    const char *element;
    Command::Kind kind;
    const char *parameter; // child element carrying the argument, if any
    bool numericFlag;      // the parameter is an unsigned number read as a flag
    const char *replyName; // null: the reply keeps the name of the request
};

const CommandEntry kCommands[] = {
    {"click2call", Command::MakeCall, "number_to_call", false, "click2call"},
    {"pauseQueues", Command::PauseQueues, "paused", true, nullptr},
    {"setDND", Command::SetDnd, "DND", true, nullptr},
    {"hangupcall", Command::Hangup, nullptr, false, "hangupcall"},
    {"triggerRecCall", Command::TriggerRecording, nullptr, false, "triggerRecCall"},
    {"transfercall", Command::BlindTransfer, "xferTo", false, "transfercall"},
    {"attendedTransferCall", Command::AttendedTransfer, "xferTo", false, "attendedTransferCall"},
    {"activeCallInfo", Command::ActiveCallInfo, nullptr, false, "activeCallInfo"},
    {"queuedCallsInfo", Command::QueuedCallsInfo, "queue_name", false, "queuedCallsInfo"},
};

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allowedInXml(uint cp)
{
    if (cp == 0x9 || cp == 0xA || cp == 0xD)
        return true;
    if (cp < 0x20)
        return false;
    if (cp == 0xFFFE || cp == 0xFFFF)
        return false;
    return true;
}

// Replaces the content of every element `name` (any case, attributes
// allowed, up to its end tag or the end of the text) by what `mask` makes of it.
template <typename Mask> QString maskElements(const QString &text, const QString &name, Mask mask)
{
    const QRegularExpression re(QStringLiteral("(<%1\\b[^>]*>)(.*?)(</%1\\s*>|$)").arg(name),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::DotMatchesEverythingOption);
    QString out;
    out.reserve(text.size());
    int last = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out.append(text.midRef(last, m.capturedStart(2) - last));
        out.append(mask(m.captured(2)));
        last = m.capturedEnd(2);
    }
    out.append(text.midRef(last));
    return out;
}

} // namespace

QString defaultMessage(int code)
{
    switch (code) {
    case Success:
        return QStringLiteral("Success");
    case AuthenticationFailed:
        return QStringLiteral("Error - Authentication failed");
    case UnknownCommand:
        return QStringLiteral("Unknown command");
    default:
        return QString();
    }
}

QString requestText(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
}

bool isPlainXmlName(const QString &name)
{
    if (name.isEmpty() || name.size() > 128)
        return false;
    if (!isAsciiLetter(name.at(0)) && name.at(0) != QLatin1Char('_'))
        return false;
    for (const QChar c : name) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('_') && c != QLatin1Char('-') &&
            c != QLatin1Char('.'))
            return false;
    }
    return true;
}

QString replyNameOf(const QString &content)
{
    static const QRegularExpression firstTag(QStringLiteral("<([^>]+)>"));
    const QRegularExpressionMatch m = firstTag.match(content);
    if (!m.hasMatch())
        return QStringLiteral("error");
    const QString name = m.captured(1);
    return isPlainXmlName(name) ? name : QStringLiteral("error");
}

Command parseCommand(const QString &content)
{
    Command command;
    for (const CommandEntry &entry : kCommands) {
        // The raw element text: values are decoded once, when they are read.
        const QString body = SimpleXmlParser::getTagValue(content, QLatin1String(entry.element));
        if (body.isEmpty())
            continue;
        command.kind = entry.kind;
        if (entry.parameter) {
            const QString value = SimpleXmlParser::getDecodedTagValue(body, QLatin1String(entry.parameter));
            if (entry.numericFlag) {
                bool ok = false;
                const uint n = value.toUInt(&ok, 10);
                command.on = ok && n != 0;
            } else {
                command.argument = value;
            }
        }
        if (entry.replyName)
            command.replyName = QLatin1String(entry.replyName);
        return command;
    }
    command.replyName = QStringLiteral("error");
    return command;
}

Request parseRequest(const QString &text, const QString &user, const QString &digest)
{
    Request request;
    if (!text.startsWith(QLatin1String("POST"))) {
        request.outcome = Request::NotPost;
        return request;
    }
    const int open = text.indexOf(kRequestOpen);
    if (open < 0) {
        request.outcome = Request::NoRequestElement;
        return request;
    }
    const int begin = open + kRequestOpen.size();
    const int close = text.indexOf(kRequestClose, begin);
    const QString content = close < 0 ? QString() : text.mid(begin, close - begin);

    request.replyName = replyNameOf(content);
    request.user = SimpleXmlParser::getDecodedTagValue(content, QStringLiteral("username"));
    const QString givenDigest = SimpleXmlParser::getDecodedTagValue(content, QStringLiteral("pwd_md5"));
    // Both checks always run; an account without a user name admits nobody.
    const bool digestOk = sameDigest(givenDigest, digest);
    const bool userOk = !user.isEmpty() && request.user == user;
    if (!digestOk || !userOk) {
        request.outcome = Request::NotAuthenticated;
        return request;
    }
    request.outcome = Request::Authenticated;
    request.command = parseCommand(content);
    if (!request.command.replyName.isEmpty())
        request.replyName = request.command.replyName;
    return request;
}

QString passwordDigest(const QString &password)
{
    bool latin1 = true;
    for (const QChar c : password) {
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    }
    const QByteArray bytes = latin1 ? password.toLatin1() : password.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool sameDigest(const QString &given, const QString &expected)
{
    const QByteArray a = given.toUtf8();
    const QByteArray b = expected.toUtf8();
    if (b.isEmpty())
        return false;
    unsigned diff = unsigned(a.size()) ^ unsigned(b.size());
    for (int i = 0; i < b.size(); ++i) {
        const unsigned char x = i < a.size() ? uchar(a.at(i)) : 0;
        diff |= unsigned(x ^ uchar(b.at(i)));
    }
    return diff == 0;
}

QString xmlEscaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '&':
            out.append(QLatin1String("&amp;"));
            continue;
        case '<':
            out.append(QLatin1String("&lt;"));
            continue;
        case '>':
            out.append(QLatin1String("&gt;"));
            continue;
        case '"':
            out.append(QLatin1String("&quot;"));
            continue;
        case '\'':
            out.append(QLatin1String("&apos;"));
            continue;
        default:
            break;
        }
        if (c.isHighSurrogate()) {
            if (i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                out.append(c);
                out.append(text.at(++i));
            }
            continue; // a lone high surrogate is left out
        }
        if (c.isLowSurrogate())
            continue;
        if (allowedInXml(c.unicode()))
            out.append(c);
    }
    return out;
}

QString activeCallData(const MctiCallDetails &call)
{
    return QLatin1String("<uid>") + xmlEscaped(call.uid) + QLatin1String("</uid><remote_num>") +
           xmlEscaped(call.remoteNum) + QLatin1String("</remote_num><remote_name>") + xmlEscaped(call.remoteName) +
           QLatin1String("</remote_name><called_num>") + xmlEscaped(call.calledNum) +
           QLatin1String("</called_num><is_answered>") + QLatin1Char(call.answered ? '1' : '0') +
           QLatin1String("</is_answered>");
}

QString queuedCallsData(const QueueStatus &queue)
{
    const QString oldest = queue.oldestCallTime.isValid()
                               ? queue.oldestCallTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                               : QString();
    return QLatin1String("<queued_calls>") + QString::number(queue.waitingCount) +
           QLatin1String("</queued_calls><oldest_arrival>") + xmlEscaped(oldest) + QLatin1String("</oldest_arrival>");
}

QByteArray reply(const QString &replyName, int code, const QString &message, const QString &data)
{
    const QString name = isPlainXmlName(replyName) ? replyName : QStringLiteral("error");
    const QString text = message.isEmpty() ? defaultMessage(code) : message;
    QString out;
    out.reserve(200 + data.size());
    out += QLatin1String("HTTP/1.1 200 OK\n");
    out += QLatin1String("Access-Control-Allow-Origin: *\n\n");
    out += QLatin1String("<?xml version=\"1.0\"?>");
    out += QLatin1String("<mpbx_response><") + name + QLatin1Char('>');
    out += QLatin1String("<error_code><code>") + QString::number(code) + QLatin1String("</code><message>") +
           xmlEscaped(text) + QLatin1String("</message></error_code>");
    if (!data.isEmpty())
        out += QLatin1String("<data>") + data + QLatin1String("</data>");
    out += QLatin1String("</") + name + QLatin1String("></mpbx_response>\n");
    return out.toUtf8();
}

QByteArray notFoundReply()
{
    return QByteArrayLiteral("HTTP/1.1 404 Not Found\n");
}

QByteArray tooLargeReply()
{
    return QByteArrayLiteral("HTTP/1.1 413 Payload Too Large\n");
}

QString maskedForLog(const QString &text, int maxChars)
{
    QString out = maskElements(text, QStringLiteral("pwd_md5"), [](const QString &) { return QStringLiteral("***"); });
    // A digest anywhere else (a misspelt element, a header) is masked too.
    static const QRegularExpression hexRun(QStringLiteral("[0-9A-Fa-f]{32,}"));
    out.replace(hexRun, QStringLiteral("***"));
    for (const QString &name : {QStringLiteral("number_to_call"), QStringLiteral("xferTo")})
        out = maskElements(out, name, [](const QString &value) { return CtiLib::numAnonymizer(value); });
    if (maxChars >= 0 && out.size() > maxChars)
        out = out.left(maxChars) + QStringLiteral("... [%1 characters]").arg(out.size());
    return out;
}

// ---------------------------------------------------------------- RequestBuffer

RequestBuffer::State RequestBuffer::append(const QByteArray &chunk)
{
    if (current != Incomplete || chunk.isEmpty())
        return current;
    const int before = data.size();
    const int room = maxBytes - before;
    data.append(chunk.constData(), qMin(room, chunk.size()));
    current = evaluate(before);
    if (current == Incomplete && chunk.size() > room)
        current = TooLarge;
    return current;
}

// Looks at what `before` bytes ago was not there yet, so that a request
// arriving in many small pieces is not searched again and again.
RequestBuffer::State RequestBuffer::evaluate(int before)
{
    static const QByteArray post("POST");
    const int head = qMin(4, data.size());
    if (data.left(head) != post.left(head))
        return Complete; // not a POST: refused without waiting for more
    if (data.size() < 4)
        return Incomplete;
    if (data.indexOf('\0', before) >= 0)
        return Complete; // the text of a request ends at the first NUL
    static const QByteArray endTag("</mpbx_request>");
    if (data.indexOf(endTag, qMax(0, before - endTag.size() + 1)) >= 0)
        return Complete;

    if (headerEnd < 0) {
        const int crlf = data.indexOf("\r\n\r\n", qMax(0, before - 3));
        const int lf = data.indexOf("\n\n", qMax(0, before - 1));
        if (crlf >= 0)
            headerEnd = crlf + 4;
        if (lf >= 0 && (headerEnd < 0 || lf + 2 < headerEnd))
            headerEnd = lf + 2;
        if (headerEnd < 0) {
            // The request element without a header before it: nothing tells
            // that more is coming, so it is read as it is.
            static const QByteArray startTag("<mpbx_request>");
            if (data.indexOf(startTag, qMax(0, before - startTag.size() + 1)) >= 0)
                return Complete;
            return Incomplete;
        }
        readHeader();
    }
    switch (bodyRule) {
    case UntilEndTag:
        return Incomplete;
    case TakeWhatCame:
        return Complete;
    case ByLength:
        if (headerEnd + contentLength > maxBytes)
            return TooLarge;
        return data.size() >= headerEnd + contentLength ? Complete : Incomplete;
    }
    return Complete;
}

void RequestBuffer::readHeader()
{
    bodyRule = TakeWhatCame; // a request without a length has no body
    const QList<QByteArray> lines = data.left(headerEnd).split('\n');
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
            bodyRule = UntilEndTag; // the body ends with the request's end tag
            return;
        }
        if (name == "content-length" && bodyRule != ByLength) {
            bool ok = !value.isEmpty() && value.size() <= 9;
            for (const char c : value)
                ok = ok && c >= '0' && c <= '9';
            if (!ok)
                return; // no usable length: take what came
            contentLength = value.toLongLong();
            bodyRule = ByLength;
        }
    }
}

} // namespace ApiProtocol
