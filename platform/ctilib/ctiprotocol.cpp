#include "ctiprotocol.h"

#include "ctijsontext.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QVector>

#include <cstring>

namespace CtiProtocol
{

namespace
{

// Reads the string whose opening quote is at `*pos`; on success `*pos` is just
// past the closing quote and `out` (when given) holds the decoded text.
bool scanString(const QByteArray &json, int *pos, QString *out)
{
    const char *d = json.constData();
    const int n = json.size();
    int i = *pos + 1;
    int runStart = i;
    auto flushRun = [&](int end) {
        if (out && end > runStart)
            out->append(QString::fromUtf8(d + runStart, end - runStart));
    };
    while (i < n) {
        const char c = d[i];
        if (c == '"') {
            flushRun(i);
            *pos = i + 1;
            return true;
        }
        if (c != '\\') {
            ++i;
            continue;
        }
        flushRun(i);
        if (i + 1 >= n)
            return false;
        const char e = d[i + 1];
        if (e == 'u') {
            if (i + 5 >= n)
                return false;
            int code = 0;
            for (int k = 2; k < 6; ++k) {
                const int h = CtiJson::hexValue(d[i + k]);
                if (h < 0)
                    return false;
                code = code * 16 + h;
            }
            if (out)
                out->append(QChar(ushort(code)));
            i += 6;
        } else {
            if (out) {
                switch (e) {
                case 'b':
                    out->append(QLatin1Char('\b'));
                    break;
                case 'f':
                    out->append(QLatin1Char('\f'));
                    break;
                case 'n':
                    out->append(QLatin1Char('\n'));
                    break;
                case 'r':
                    out->append(QLatin1Char('\r'));
                    break;
                case 't':
                    out->append(QLatin1Char('\t'));
                    break;
                default:
                    out->append(QLatin1Char(e));
                    break;
                }
            }
            i += 2;
        }
        runStart = i;
    }
    return false;
}

} // namespace

bool hasDuplicateKey(const QByteArray &json)
{
    // One entry per open object or array, without recursion, so the depth of
    // the input never reaches the call stack. Arrays carry no key set.
    struct Level {
        bool object = false;
        bool expectKey = false;
        QSet<QString> keys;
    };
    QVector<Level> stack;
    const char *d = json.constData();
    const int n = json.size();
    int i = 0;
    while (i < n) {
        const char c = d[i];
        switch (c) {
        case '{':
            stack.append(Level{true, true, {}});
            ++i;
            break;
        case '[':
            stack.append(Level{false, false, {}});
            ++i;
            break;
        case '}':
        case ']':
            if (!stack.isEmpty())
                stack.removeLast();
            ++i;
            break;
        case ',':
            if (!stack.isEmpty() && stack.last().object)
                stack.last().expectKey = true;
            ++i;
            break;
        case '"': {
            Level *top = stack.isEmpty() ? nullptr : &stack.last();
            if (top && top->object && top->expectKey) {
                QString key;
                if (!scanString(json, &i, &key))
                    return false; // malformed: the parser reports it
                top->expectKey = false;
                if (top->keys.contains(key))
                    return true;
                top->keys.insert(key);
            } else if (!scanString(json, &i, nullptr)) {
                return false;
            }
            break;
        }
        default:
            // Blanks, ':', numbers and literals carry no key.
            ++i;
            break;
        }
    }
    return false;
}

namespace
{
// A frame at least this long is handed over with the reader's buffer instead
// of being copied out of it.
const int kHandOverFrame = 64 * 1024;

// The first line end in [from, size) of the buffer, -1 when none.
int lineEnd(const QByteArray &buffer, int from)
{
    if (from >= buffer.size())
        return -1;
    const char *d = buffer.constData();
    const void *hit = std::memchr(d + from, '\n', size_t(buffer.size() - from));
    return hit ? int(static_cast<const char *>(hit) - d) : -1;
}
} // namespace

void FrameReader::compact()
{
    // What is left is the start of one frame: at most one read's worth, so
    // moving it is cheap, and a large frame then grows at the buffer's start.
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
}

bool FrameReader::checkPartial()
{
    // The frame under way must fit in the bound even before its line end arrives.
    const int nl = lineEnd(m_buffer, m_start + m_scanned);
    if (nl < 0)
        m_scanned = m_buffer.size() - m_start; // scanned once, not again
    const int partial = nl < 0 ? m_buffer.size() - m_start : nl - m_start;
    if (partial > m_maxFrame) {
        m_failed = true;
        m_error = QStringLiteral("frame larger than %1 bytes").arg(m_maxFrame);
        return false;
    }
    return true;
}

bool FrameReader::append(const QByteArray &data)
{
    if (m_failed)
        return false;
    compact();
    m_buffer.append(data);
    return checkPartial();
}

bool FrameReader::readFrom(QIODevice *device)
{
    if (m_failed)
        return false;
    compact();
    const qint64 available = device->bytesAvailable();
    // Bounded by the frame bound: the check below refuses anything longer.
    const qint64 room = qMin<qint64>(available, qint64(m_maxFrame) + 1);
    if (room > 0) {
        const int old = m_buffer.size();
        m_buffer.resize(old + int(room));
        const qint64 got = device->read(m_buffer.data() + old, room);
        m_buffer.resize(old + int(qMax<qint64>(got, 0)));
    }
    return checkPartial();
}

bool FrameReader::next(QByteArray *frame)
{
    while (!m_failed) {
        const int from = m_start + m_scanned;
        const int nl = lineEnd(m_buffer, from);
        if (nl < 0) {
            m_scanned = m_buffer.size() - m_start;
            if (m_scanned > m_maxFrame) {
                m_failed = true;
                m_error = QStringLiteral("frame larger than %1 bytes").arg(m_maxFrame);
            }
            return false;
        }
        int len = nl - m_start;
        if (len > m_maxFrame) {
            m_failed = true;
            m_error = QStringLiteral("frame larger than %1 bytes").arg(m_maxFrame);
            return false;
        }
        const int begin = m_start;
        m_start = nl + 1;
        m_scanned = 0;
        if (len > 0 && m_buffer.at(begin + len - 1) == '\r')
            --len;
        if (len == 0)
            continue; // empty lines are keep-alive padding
        if (begin == 0 && len >= kHandOverFrame) {
            // The buffer becomes the frame; what follows it (less than one
            // read) starts a new buffer.
            QByteArray rest = m_buffer.mid(m_start);
            m_buffer.truncate(len);
            *frame = std::move(m_buffer);
            m_buffer = std::move(rest);
            m_start = 0;
            return true;
        }
        *frame = m_buffer.mid(begin, len);
        return true;
    }
    return false;
}

void FrameReader::clear()
{
    m_buffer.clear();
    m_start = 0;
    m_scanned = 0;
    m_failed = false;
    m_error.clear();
}

bool parseMessage(const QByteArray &frame, Message *msg, QString *error)
{
    // Qt's JSON reader keeps the last of two equal keys and leaks the value it
    // replaces, so a peer could grow our memory without bound: such a frame is
    // refused before it is decoded.
    if (hasDuplicateKey(frame)) {
        *error = QStringLiteral("duplicate key in a JSON object");
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(frame, &pe);
    if (pe.error != QJsonParseError::NoError) {
        *error = QStringLiteral("malformed JSON at offset %1: %2").arg(pe.offset).arg(pe.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("frame is not a JSON object");
        return false;
    }
    const QJsonObject o = doc.object();
    const QJsonValue v = o.value(QLatin1String("v"));
    if (!v.isDouble() || v.toDouble() != Version) {
        *error = QStringLiteral("unsupported protocol version");
        return false;
    }
    const QString t = o.value(QLatin1String("t")).toString();
    auto readBody = [&](const char *key) -> bool {
        const QJsonValue b = o.value(QLatin1String(key));
        if (b.isUndefined() || b.isNull()) {
            msg->body = QJsonObject();
            return true;
        }
        if (!b.isObject()) {
            *error = QStringLiteral("'%1' is not an object").arg(QLatin1String(key));
            return false;
        }
        msg->body = b.toObject();
        return true;
    };
    auto readId = [&]() -> bool {
        const QJsonValue id = o.value(QLatin1String("id"));
        if (!id.isDouble() || id.toDouble() < 0 || id.toDouble() > 9007199254740992.0 ||
            id.toDouble() != double(qint64(id.toDouble()))) {
            *error = QStringLiteral("invalid message id");
            return false;
        }
        msg->id = qint64(id.toDouble());
        return true;
    };
    auto readName = [&](const char *key) -> bool {
        const QJsonValue n = o.value(QLatin1String(key));
        if (!n.isString() || n.toString().isEmpty() || n.toString().size() > 64) {
            *error = QStringLiteral("invalid '%1'").arg(QLatin1String(key));
            return false;
        }
        msg->name = n.toString();
        return true;
    };
    if (t == QLatin1String("req")) {
        msg->type = Message::Request;
        return readId() && readName("cmd") && readBody("args");
    }
    if (t == QLatin1String("resp")) {
        msg->type = Message::Response;
        if (!readId())
            return false;
        const QJsonValue ok = o.value(QLatin1String("ok"));
        if (!ok.isBool()) {
            *error = QStringLiteral("response without outcome");
            return false;
        }
        msg->ok = ok.toBool();
        msg->error = sanitizeText(o.value(QLatin1String("error")).toString());
        return readBody("result");
    }
    if (t == QLatin1String("evt")) {
        msg->type = Message::Event;
        return readName("evt") && readBody("data");
    }
    *error = QStringLiteral("unknown message type");
    return false;
}

bool readEventText(const QByteArray &frame, QString *name,
                   const std::function<bool(const QString &name, CtiJson::TextReader &data)> &decodeData)
{
    using CtiJson::TextReader;
    TextReader t(frame);
    if (!t.beginObject())
        return false;
    TextReader::KeySet keys;
    bool version = false, event = false, named = false, decoded = false;
    const char *dataBegin = nullptr;
    const char *dataEnd = nullptr;
    bool more = false;
    while (t.nextMember(&more) && more) {
        TextReader::Key key;
        if (!t.readKey(key) || !keys.insert(key))
            return false;
        if (key.equals(QLatin1String("v"))) {
            double v = 0;
            if (!t.readNumber(v) || v != Version)
                return false;
            version = true;
        } else if (key.equals(QLatin1String("t"))) {
            QString type;
            if (!t.readString(type) || type != QLatin1String("evt"))
                return false;
            event = true;
        } else if (key.equals(QLatin1String("evt"))) {
            if (!t.readString(*name) || name->isEmpty() || name->size() > 64)
                return false;
            named = true;
        } else if (key.equals(QLatin1String("data"))) {
            if (t.peek() != TextReader::Kind::Object)
                return false;
            if (named) {
                // The name came first: the data is read as it stands.
                if (!decodeData(*name, t) || t.failed())
                    return false;
                decoded = true;
            } else {
                // Read once its name is known.
                dataBegin = t.position();
                if (!t.skipValue())
                    return false;
                dataEnd = t.position();
            }
        } else if (!t.skipValue()) {
            return false;
        }
    }
    if (!t.atEnd() || !version || !event || !named)
        return false;
    if (decoded)
        return true;
    if (!dataBegin)
        return false;
    TextReader data(dataBegin, dataEnd, 1);
    return decodeData(*name, data) && data.atEnd();
}

QByteArray encodeFrame(const QJsonObject &object)
{
    QByteArray out = QJsonDocument(object).toJson(QJsonDocument::Compact);
    out.append('\n');
    return out;
}

QByteArray encodeRequest(qint64 id, const QString &cmd, const QJsonObject &args)
{
    QJsonObject o;
    o.insert(QStringLiteral("v"), Version);
    o.insert(QStringLiteral("t"), QStringLiteral("req"));
    o.insert(QStringLiteral("id"), double(id));
    o.insert(QStringLiteral("cmd"), cmd);
    o.insert(QStringLiteral("args"), args);
    return encodeFrame(o);
}

QByteArray encodeResponse(qint64 id, bool ok, const QJsonObject &result, const QString &error)
{
    QJsonObject o;
    o.insert(QStringLiteral("v"), Version);
    o.insert(QStringLiteral("t"), QStringLiteral("resp"));
    o.insert(QStringLiteral("id"), double(id));
    o.insert(QStringLiteral("ok"), ok);
    if (!result.isEmpty())
        o.insert(QStringLiteral("result"), result);
    if (!error.isEmpty())
        o.insert(QStringLiteral("error"), error);
    return encodeFrame(o);
}

QByteArray encodeEvent(const QString &name, const QJsonObject &data)
{
    QJsonObject o;
    o.insert(QStringLiteral("v"), Version);
    o.insert(QStringLiteral("t"), QStringLiteral("evt"));
    o.insert(QStringLiteral("evt"), name);
    o.insert(QStringLiteral("data"), data);
    return encodeFrame(o);
}

QString sanitizeText(const QString &text, int max)
{
    QString out = text.left(max);
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char(' ');
    }
    return out;
}

} // namespace CtiProtocol
