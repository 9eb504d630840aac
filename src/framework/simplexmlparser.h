// String-level reading of small, flat, machine-made XML messages, and a
// framer that cuts such messages out of a stream that arrives in pieces.
//
// The static functions search the message text for tags: there is no
// document tree, no validation and no nesting count. A tag name may be given
// bare ("item") or with its angle brackets ("<item>"); names are compared
// case-sensitively. Positions are indexes of UTF-16 code units, -1 meaning
// "not found".
//
// The object side is the framer: the owner sets `rootTag`, feeds every piece
// it receives to addData(), and takes each complete message (the whole root
// element, tags included) from a mutex-guarded FIFO or from parsedMessage().
#pragma once

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class SimpleXmlParser : public QObject
{
    Q_OBJECT

public:
    enum NotificationMode {
        QueueAndNotify = 0,        // queue, then messageCompleted()
        QueueAndDeliver = 1,       // queue, then parsedMessage(msg)
        DeliverOnly = 2,           // parsedMessage(msg) only, nothing queued
        QueueNotifyAndDeliver = 3, // queue, then messageCompleted(), then parsedMessage(msg)
    };
    Q_ENUM(NotificationMode)

    enum ParseErrorEnumType {
        ClosingTagBeforeOpeningTag = 0, // a closing root tag stood before the first opening one
        BufferLimitExceeded = 1,        // the unframed text would have grown past the limit
    };
    Q_ENUM(ParseErrorEnumType)

    explicit SimpleXmlParser(QObject *parent = nullptr);
    ~SimpleXmlParser() override;

    // ---- Framer ------------------------------------------------------------

    // Name of the root element that delimits a message; set before the first addData().
    QString rootTag;
    // How a complete message is delivered (NotificationMode; other values queue silently).
    int notificationMode = QueueAndNotify;

    // Limit of the unframed text in UTF-16 code units; 0 means no limit.
    // A negative size is ignored.
    void setMaxBufferSize(int size);
    int getMaxBufferSize() const { return maxBufferSize; }

    // Appends a received piece and cuts out every message it completes.
    // When the unframed text together with the piece would exceed the limit,
    // the piece is refused, the unframed text is discarded and
    // parseErrorFound(BufferLimitExceeded) is emitted; framing then starts
    // afresh with the next piece.
    void addData(const QString &data);

    // Thread-safe: may be called from another thread than addData().
    bool hasPendingMessages();
    QString getNextMessage();

    // The received text not yet framed.
    QString getCurrentBuffer() const;
    void emptyBuffer();

    // ---- Static message functions ------------------------------------------

    // Finds the first start tag of `name` (without brackets) at or after
    // `from`: "<" + name followed by ">", "/>" or white space. `start` is its
    // position or -1; `end` the position of its end delimiter (the first ">"
    // after it, or the "/" of a closing "/>"), -1 when there is none.
    // Returns true when the start tag ends with "/>" (an empty element).
    static bool findStartTagDelimiters(const QString &text, const QString &name, int from, int &start, int &end);

    // Raw text of the first element `tag` at or after `from`: the empty
    // string for an empty element, `defaultValue` when the start tag or its
    // closing tag "</tag>" is missing. Elements are not counted: the first
    // closing tag ends the value.
    static QString getTagValue(const QString &text, const QString &tag, int from = 0, QString defaultValue = QString());
    // getTagValue() passed through decodeEntities(), the default included.
    static QString getDecodedTagValue(const QString &text, const QString &tag, int from = 0,
                                      QString defaultValue = QString());
    // Raw text of every element `tag`, in document order.
    static QStringList getTagsValues(const QString &text, const QString &tag);
    static QStringList getDecodedTagsValues(const QString &text, const QString &tag);

    // Attributes (raw values) of the first start tag `tag` at or after `from`.
    // Only quoted values are taken; when a name repeats, double-quoted
    // attributes are applied first and single-quoted ones after them, each in
    // document order, and the last one applied wins.
    static QMap<QString, QString> getTagProperties(const QString &text, const QString &tag, int from = 0);
    static QList<QMap<QString, QString>> getTagsProperties(const QString &text, const QString &tag);

    // Decodes the five XML entities and decimal/hexadecimal character
    // references ("&#x" lower-case) in one left-to-right pass. References to
    // code points above U+FFFF become surrogate pairs; a reference to 0, to a
    // surrogate that is not part of a high+low pair of references, or above
    // U+10FFFF stays as written. Anything else starting with "&" stays as
    // written. Every U+FFFD of the input becomes a space.
    static QString decodeEntities(const QString &text);
    // Escapes & < > " and '. With `encodeNonAscii`, every character above
    // U+0080 becomes one "&#x...;" reference per code point (a lone
    // surrogate, which no XML text may hold, becomes U+FFFD).
    static QString encodeEntities(const QString &text, bool encodeNonAscii = false);
    // The text without one pair of enclosing '...' or "..." quotes.
    static QString unquoteString(const QString &text);

signals:
    void messageCompleted();
    void parsedMessage(QString msg);
    void parseErrorFound(SimpleXmlParser::ParseErrorEnumType error);

private:
    void deliver(const QString &message);
    void resetScan();
    bool deferPiece(const QString &data);
    // Joins the deferred pieces to the buffer, keeping `room` more characters
    // free at its end for the piece about to be appended.
    void joinDeferred(int room = 0);

    QList<QString> pendingMessages;
    // Unframed text is currentBuffer from bufferStart on; the consumed head is
    // dropped once per addData(), so cutting many messages stays linear.
    QString currentBuffer;
    int bufferStart = 0;
    // Searches for the root tags resume here: no tag starts between
    // bufferStart and these positions (a found tag keeps its own position).
    int openScanFrom = 0;
    int closeScanFrom = 0;
    // While a message has begun and its closing tag has not arrived, pieces
    // without that tag wait here unjoined (sharing the caller's data), and are
    // joined with one copy when the closing tag comes: a large message is
    // then copied once instead of on every growth of the buffer.
    // The logical unframed text is currentBuffer + deferredPieces.
    bool awaitingClose = false;
    QString awaitedCloseTag;
    QString closeTail; // the last (closing tag length - 1) characters of the logical text
    QList<QString> deferredPieces;
    qint64 deferredLength = 0;
    QMutex queueMutex;
    int maxBufferSize = 0;
};
