// The rules of the local API protocol, free of sockets and threads: how a
// request is framed and read, who is authenticated, which command wins, how
// the reply is written and what of a request may reach a log.
//
// A request is one HTTP POST whose body holds
//
//     <mpbx_request><username>...</username><pwd_md5>...</pwd_md5>
//         <click2call><number_to_call>123</number_to_call></click2call>
//     </mpbx_request>
//
// and the reply is a small XML document after a minimal HTTP header.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

struct MctiCallDetails;
struct QueueStatus;

namespace ApiProtocol
{

// Result codes of a reply.
enum ResultCode {
    Success = 0,
    NothingFound = 1,
    AuthenticationFailed = 10,
    UnknownCommand = 12,
};

// The default message of a code ("Success", ...); empty for NothingFound.
QString defaultMessage(int code);

// One command of a request, the first of the table order that has content.
struct Command {
    enum Kind {
        None, // no command element with content
        MakeCall,
        PauseQueues,
        SetDnd,
        Hangup,
        TriggerRecording,
        BlindTransfer,
        AttendedTransfer,
        ActiveCallInfo,
        QueuedCallsInfo,
    };
    Kind kind = None;
    QString argument; // number to call, transfer target or queue name
    bool on = false;  // pause / do-not-disturb wanted
    // Element name of the reply; empty: the name taken from the request.
    QString replyName;
};

// What a complete request asks for.
struct Request {
    enum Outcome {
        NotPost,          // answered "404 Not Found"
        NoRequestElement, // answered "404 Not Found"
        NotAuthenticated, // code 10
        Authenticated,    // `command` says what to do (None: code 12)
    };
    Outcome outcome = NotPost;
    QString replyName; // element name of the reply (a plain XML name)
    QString user;      // user name given
    Command command;
};

// The text of a request: its bytes as UTF-8 up to the first NUL byte.
QString requestText(const QByteArray &bytes);

// Reads a request against the configured user and password digest.
Request parseRequest(const QString &text, const QString &user, const QString &passwordDigest);

// The command of an authenticated request content (inside mpbx_request).
Command parseCommand(const QString &content);

// The element name of the reply for a request content: the first tag's name
// when it is a plain XML name, "error" otherwise.
QString replyNameOf(const QString &content);
bool isPlainXmlName(const QString &name);

// Lower-case hexadecimal MD5 of the password: over its Latin-1 bytes when
// every character has one, else over its UTF-8 bytes.
QString passwordDigest(const QString &password);
// Compares two digests in a time that does not depend on where they differ.
bool sameDigest(const QString &given, const QString &expected);

// Text made safe for XML element content: & < > " ' escaped, characters that
// XML cannot carry (control characters, lone surrogates) left out.
QString xmlEscaped(const QString &text);

// The data of the two queries, values escaped.
QString activeCallData(const MctiCallDetails &call);
QString queuedCallsData(const QueueStatus &queue);

// The whole reply: header, XML declaration and response element; `message`
// falls back on the code's default and is escaped, `data` is inserted as it
// is (build it with the functions above).
QByteArray reply(const QString &replyName, int code, const QString &message, const QString &data);
QByteArray notFoundReply();
QByteArray tooLargeReply();

// The request as it may be logged: the password digest and the numbers to
// call masked, cut to `maxChars`.
QString maskedForLog(const QString &text, int maxChars = 4096);

// Collects the bytes of one request until it is complete: the HTTP header
// plus Content-Length bytes (none without the header), or the end tag of
// mpbx_request, or the first NUL byte. What is plainly not a POST is complete
// at once, and so is a POST whose request element starts before any header
// end (the bare form: what came is all there is). Beyond `maxBytes` the
// request is refused as too large. Data after completion is not kept.
class RequestBuffer
{
public:
    enum State { Incomplete, Complete, TooLarge };

    explicit RequestBuffer(int maxBytes = 64 * 1024) : maxBytes(maxBytes) {}

    State append(const QByteArray &chunk);
    State state() const { return current; }
    const QByteArray &bytes() const { return data; }

private:
    enum BodyRule { TakeWhatCame, ByLength, UntilEndTag };
    State evaluate(int before);
    void readHeader();

    int maxBytes;
    State current = Incomplete;
    QByteArray data;
    int headerEnd = -1; // first byte after the blank line ending the header
    BodyRule bodyRule = TakeWhatCame;
    qint64 contentLength = 0;
};

} // namespace ApiProtocol
