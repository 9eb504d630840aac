#include "ctiprotocol.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace CtiProtocol
{

bool FrameReader::append(const QByteArray &data)
{
    if (m_failed)
        return false;
    // Drop the frames already returned before the buffer grows again.
    if (m_start > 0 && (m_start >= m_buffer.size() || m_start > (1 << 20))) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data);
    // The frame under way must fit in the bound even before its line end arrives.
    const int nl = m_buffer.indexOf('\n', m_start + m_scanned);
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

bool FrameReader::next(QByteArray *frame)
{
    while (!m_failed) {
        const int from = m_start + m_scanned;
        const int nl = m_buffer.indexOf('\n', from);
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
