// The stream framer side of SimpleXmlParser: cuts complete root elements out
// of text that arrives in pieces.
#include "simplexmlparser.h"

#include <QMutexLocker>

#include <limits>

SimpleXmlParser::SimpleXmlParser(QObject *parent) : QObject(parent)
{
    // parseErrorFound() may be connected by name across threads.
    qRegisterMetaType<SimpleXmlParser::ParseErrorEnumType>("SimpleXmlParser::ParseErrorEnumType");
}

SimpleXmlParser::~SimpleXmlParser() = default;

void SimpleXmlParser::setMaxBufferSize(int size)
{
    if (size >= 0)
        maxBufferSize = size;
}

void SimpleXmlParser::addData(const QString &data)
{
    // The limit bounds what the framer holds: the unframed text together
    // with the new piece. Refusing empties the buffer, so the stream can
    // recover with the next message instead of being refused for ever.
    const qint64 held = qint64(currentBuffer.size()) - bufferStart + deferredLength + data.size();
    if (maxBufferSize > 0 && held > maxBufferSize) {
        emptyBuffer();
        emit parseErrorFound(BufferLimitExceeded);
        return;
    }
    const QString openTag = QLatin1Char('<') + rootTag + QLatin1Char('>');
    const QString closeTag = QLatin1String("</") + rootTag + QLatin1Char('>');
    if (awaitingClose) {
        if (closeTag == awaitedCloseTag && held <= std::numeric_limits<int>::max() && deferPiece(data))
            return;
        joinDeferred();
    }
    if (held > std::numeric_limits<int>::max()) {
        // A QString cannot hold it: refuse as over any limit.
        emptyBuffer();
        emit parseErrorFound(BufferLimitExceeded);
        return;
    }
    currentBuffer.append(data);
    // Every position is re-read from the members on each turn: a slot reached
    // from a signal below may call addData() or emptyBuffer() again.
    for (;;) {
        if (awaitingClose)
            joinDeferred(); // pieces deferred by such a nested call
        const int len = currentBuffer.size();
        const int open = currentBuffer.indexOf(openTag, openScanFrom);
        openScanFrom = open >= 0 ? open : qMax(bufferStart, len - openTag.size() + 1);
        const int close = currentBuffer.indexOf(closeTag, closeScanFrom);
        closeScanFrom = close >= 0 ? close : qMax(bufferStart, len - closeTag.size() + 1);
        if (close < 0)
            break; // wait for more data

        if (open >= 0 && close > open) {
            // Text before the opening tag is dropped silently.
            const int messageEnd = close + closeTag.size();
            const QString message = currentBuffer.mid(open, messageEnd - open);
            bufferStart = openScanFrom = closeScanFrom = messageEnd;
            deliver(message);
            if (bufferStart >= currentBuffer.size())
                break;
            continue;
        }
        if (open >= 0) {
            // A closing tag before the first opening one: drop up to the opening tag.
            bufferStart = closeScanFrom = open;
            emit parseErrorFound(ClosingTagBeforeOpeningTag);
            continue;
        }
        break; // a closing tag without any opening one waits in the buffer
    }

    if (awaitingClose)
        joinDeferred();
    // Drop the consumed head once per call.
    if (bufferStart >= currentBuffer.size()) {
        currentBuffer.clear();
        resetScan();
    } else if (bufferStart > 0) {
        currentBuffer.remove(0, bufferStart);
        openScanFrom -= bufferStart;
        closeScanFrom -= bufferStart;
        bufferStart = 0;
    }

    // A message has begun and waits for its closing tag: defer what follows.
    const int len = currentBuffer.size();
    awaitingClose = len > 0 && currentBuffer.indexOf(closeTag, closeScanFrom) < 0 &&
                    currentBuffer.indexOf(openTag, openScanFrom) >= 0;
    if (awaitingClose) {
        awaitedCloseTag = closeTag;
        closeTail = currentBuffer.right(closeTag.size() - 1);
    }
}

// Keeps `data` aside when it cannot complete the awaited message, that is
// when the closing tag neither lies in it nor spans into it.
bool SimpleXmlParser::deferPiece(const QString &data)
{
    const int tailLen = awaitedCloseTag.size() - 1;
    if (data.contains(awaitedCloseTag))
        return false;
    const QString seam = closeTail + data.left(tailLen);
    if (seam.contains(awaitedCloseTag))
        return false;
    closeTail = data.size() >= tailLen ? data.right(tailLen) : seam.right(tailLen);
    if (data.isEmpty())
        return true;
    // Small pieces are gathered into blocks so that the list stays short.
    const int smallPiece = 4096;
    if (data.size() < smallPiece && !deferredPieces.isEmpty() && deferredPieces.last().size() < 16 * smallPiece)
        deferredPieces.last().append(data);
    else
        deferredPieces.append(data);
    deferredLength += data.size();
    return true;
}

void SimpleXmlParser::joinDeferred()
{
    awaitingClose = false;
    if (deferredPieces.isEmpty())
        return;
    QString joined;
    joined.reserve(int(currentBuffer.size() + deferredLength));
    joined.append(currentBuffer);
    for (const QString &piece : qAsConst(deferredPieces))
        joined.append(piece);
    currentBuffer = joined;
    deferredPieces.clear();
    deferredLength = 0;
    // The deferred text held no closing tag.
    closeScanFrom = qMax(closeScanFrom, currentBuffer.size() - awaitedCloseTag.size() + 1);
}

void SimpleXmlParser::deliver(const QString &message)
{
    if (notificationMode == DeliverOnly) {
        emit parsedMessage(message);
        return;
    }
    {
        QMutexLocker lock(&queueMutex);
        pendingMessages.append(message);
    }
    switch (notificationMode) {
    case QueueAndNotify:
        emit messageCompleted();
        break;
    case QueueAndDeliver:
        emit parsedMessage(message);
        break;
    case QueueNotifyAndDeliver:
        emit messageCompleted();
        emit parsedMessage(message);
        break;
    default:
        break;
    }
}

bool SimpleXmlParser::hasPendingMessages()
{
    QMutexLocker lock(&queueMutex);
    return !pendingMessages.isEmpty();
}

QString SimpleXmlParser::getNextMessage()
{
    QMutexLocker lock(&queueMutex);
    return pendingMessages.isEmpty() ? QString() : pendingMessages.takeFirst();
}

QString SimpleXmlParser::getCurrentBuffer() const
{
    QString text = currentBuffer.mid(bufferStart);
    for (const QString &piece : deferredPieces)
        text.append(piece);
    return text;
}

void SimpleXmlParser::emptyBuffer()
{
    currentBuffer.clear();
    deferredPieces.clear();
    deferredLength = 0;
    awaitingClose = false;
    resetScan();
}

void SimpleXmlParser::resetScan()
{
    bufferStart = 0;
    openScanFrom = 0;
    closeScanFrom = 0;
}
