// Wire protocol between the CTI client and the CTI server (and the simulator).
//
// TLS stream of frames; a frame is one compact JSON object followed by "\n".
// Envelopes:
//   request   {"v":1,"t":"req","id":7,"cmd":"getCdr","args":{...}}
//   response  {"v":1,"t":"resp","id":7,"ok":true,"result":{...}}
//             {"v":1,"t":"resp","id":7,"ok":false,"error":"AuthFailed"}
//   event     {"v":1,"t":"evt","evt":"incomingCall","data":{...}}
// A frame longer than the reader's bound, a frame that is not a JSON object,
// an unknown version or envelope type are protocol errors: the receiver drops
// the connection.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QJsonObject>
#include <QString>

#include <functional>

namespace CtiJson
{
class TextReader;
}

namespace CtiProtocol
{

constexpr int Version = 1;
// Bound of one frame sent by the server (a whole phone book fits in one).
constexpr int MaxServerFrame = 96 * 1024 * 1024;
// Bound of one frame sent by a client.
constexpr int MaxClientFrame = 1024 * 1024;
// Bound of any text taken from the peer for display or logs (reasons, errors).
constexpr int MaxReasonLength = 256;

// Splits a byte stream into frames.
class FrameReader
{
public:
    explicit FrameReader(int maxFrame) : m_maxFrame(maxFrame) {}
    void setMaxFrame(int maxFrame) { m_maxFrame = maxFrame; }

    // Adds received bytes; false when a frame exceeds the bound (the reader
    // is then unusable, see error()).
    bool append(const QByteArray &data);
    // Adds what the device holds, read straight into the reader's buffer
    // (no copy in between); same outcome as append().
    bool readFrom(QIODevice *device);
    // Takes the next complete frame (without the line end); false when none.
    // A large frame at the start of the buffer is handed over without a copy.
    bool next(QByteArray *frame);
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    // Bytes received but not yet returned as frames.
    qint64 pending() const { return m_buffer.size() - m_start; }
    void clear();

private:
    // Drops the frames already returned, so that the next frame starts the buffer.
    void compact();
    // Checks the frame under way against the bound once the buffer has grown.
    bool checkPartial();

    int m_maxFrame;
    QByteArray m_buffer;
    int m_start = 0;   // start of the first frame not returned yet
    int m_scanned = 0; // bytes from m_start already known to hold no line end
    bool m_failed = false;
    QString m_error;
};

struct Message {
    enum Type { Request, Response, Event };
    Type type = Event;
    qint64 id = 0;
    QString name;     // command of a request, event name of an event
    QJsonObject body; // args, result or data
    bool ok = false;  // response outcome
    QString error;    // response error text (sanitised)
};

// True when some object of the JSON text holds the same key twice (keys are
// compared after their escapes are decoded). Malformed text reads as false:
// the JSON parser reports it.
bool hasDuplicateKey(const QByteArray &json);

// Parses one frame; false with `error` for anything that is not a valid
// envelope; a frame with a duplicate key is refused.
bool parseMessage(const QByteArray &frame, Message *msg, QString *error);

// Reads an event frame straight from its text, without a JSON document: its
// name into `name`, then `decodeData` with a reader at its data object (it
// reads that object whole, or returns false). True only when the frame is a
// plain, well-formed event (see CtiJson::TextReader) that parseMessage()
// takes too, and `decodeData` has taken its data; otherwise parseMessage()
// is the judge of the frame.
bool readEventText(const QByteArray &frame, QString *name,
                   const std::function<bool(const QString &name, CtiJson::TextReader &data)> &decodeData);

QByteArray encodeRequest(qint64 id, const QString &cmd, const QJsonObject &args);
QByteArray encodeResponse(qint64 id, bool ok, const QJsonObject &result, const QString &error = QString());
QByteArray encodeEvent(const QString &name, const QJsonObject &data);
// Compact JSON of an object followed by the line end.
QByteArray encodeFrame(const QJsonObject &object);

// Keeps at most `max` characters of a peer's text and replaces control
// characters by blanks.
QString sanitizeText(const QString &text, int max = MaxReasonLength);

} // namespace CtiProtocol
