// The stream framer side of SimpleXmlParser: cuts complete root elements out
// of text that arrives in pieces.
#include "simplexmlparser.h"

#include <QMutexLocker>

#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace
{
const std::uintptr_t HugePage = std::uintptr_t(2) << 20;
// Below this, a buffer is left to the allocator as it comes.
const qint64 HugeBufferBytes = 4 * qint64(HugePage);

// The capacity to reserve for a text of `needed` characters. A large one is
// rounded up so that its block, with the string's and the allocator's
// headers (well under 64 bytes), fills whole huge pages: the kernel then
// places the block's mapping on a huge-page boundary, and all of it can be
// backed by huge pages.
int bufferCapacity(qint64 needed)
{
    const qint64 headers = 64;
    if (needed * qint64(sizeof(QChar)) < HugeBufferBytes)
        return int(needed);
    const qint64 pages = (needed * qint64(sizeof(QChar)) + headers + qint64(HugePage) - 1) / qint64(HugePage);
    const qint64 capacity = (pages * qint64(HugePage) - headers) / qint64(sizeof(QChar));
    return int(qMin<qint64>(capacity, std::numeric_limits<int>::max() - 16));
}

// A buffer of many megabytes is about to be filled: it is asked to be backed
// by huge pages, so that filling it takes one page fault per 2 MiB instead of
// one per 4 KiB. On a virtual machine a page fault can cost as much as
// copying tens of kilobytes, and a large message would otherwise spend most
// of its framing time in them. The advice covers the whole pages of the
// buffer, its block's mapping as a whole.
void adviseHugePages(QString &buffer)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t bytes = std::size_t(buffer.capacity()) * sizeof(QChar);
    if (qint64(bytes) < HugeBufferBytes)
        return;
    const std::uintptr_t page = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t from = begin & ~(page - 1);
    const std::uintptr_t to = (begin + bytes + page - 1) & ~(page - 1);
    madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    Q_UNUSED(buffer);
#endif
}

// Position of the first `tag` in `text` at or after `from`, -1 when none. A
// plain scan for the tag's first character: the searches resume where the
// previous one stopped, so each character of the stream is looked at about
// once, and nothing is set up per search (a stream of small messages makes
// two searches per message).
int findTag(const QString &text, const QString &tag, int from)
{
    const int n = text.size();
    const int m = tag.size();
    from = qMax(from, 0);
    if (m == 0 || n - from < m)
        return -1;
    const QChar *s = text.constData();
    const QChar *t = tag.constData();
    const QChar first = t[0];
    const std::size_t restBytes = std::size_t(m - 1) * sizeof(QChar);
    for (int i = from, last = n - m; i <= last; ++i) {
        if (s[i] == first && std::memcmp(s + i + 1, t + 1, restBytes) == 0)
            return i;
    }
    return -1;
}
} // namespace

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
    if (held > std::numeric_limits<int>::max()) {
        // A QString cannot hold it: refuse as over any limit.
        emptyBuffer();
        emit parseErrorFound(BufferLimitExceeded);
        return;
    }
    if (awaitingClose) {
        if (closeTag == awaitedCloseTag && deferPiece(data))
            return;
        // Room for this piece too: appending it must not copy the message again.
        joinDeferred(data.size());
    }
    currentBuffer.append(data);
    // Every position is re-read from the members on each turn: a slot reached
    // from a signal below may call addData() or emptyBuffer() again.
    for (;;) {
        if (awaitingClose)
            joinDeferred(); // pieces deferred by such a nested call
        const int len = currentBuffer.size();
        const int open = findTag(currentBuffer, openTag, openScanFrom);
        openScanFrom = open >= 0 ? open : qMax(bufferStart, len - openTag.size() + 1);
        const int close = findTag(currentBuffer, closeTag, closeScanFrom);
        closeScanFrom = close >= 0 ? close : qMax(bufferStart, len - closeTag.size() + 1);
        if (close < 0)
            break; // wait for more data

        if (open >= 0 && close > open) {
            // Text before the opening tag is dropped silently.
            const int messageEnd = close + closeTag.size();
            const int messageLength = messageEnd - open;
            QString message;
            if (2 * qint64(messageLength) >= len) {
                // The message is most of the buffer (typically one large
                // message just completed): the buffer becomes the message
                // and the short rest is copied out, instead of copying the
                // message out of the buffer.
                QString rest = currentBuffer.mid(messageEnd);
                message = std::move(currentBuffer);
                if (messageEnd < message.size())
                    message.truncate(messageEnd);
                if (open > 0)
                    message.remove(0, open);
                currentBuffer = std::move(rest);
                bufferStart = openScanFrom = closeScanFrom = 0;
            } else {
                message = currentBuffer.mid(open, messageLength);
                bufferStart = openScanFrom = closeScanFrom = messageEnd;
            }
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
    awaitingClose = len > 0 && findTag(currentBuffer, closeTag, closeScanFrom) < 0 &&
                    findTag(currentBuffer, openTag, openScanFrom) >= 0;
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

void SimpleXmlParser::joinDeferred(int room)
{
    awaitingClose = false;
    if (deferredPieces.isEmpty())
        return;
    QString joined;
    joined.reserve(bufferCapacity(currentBuffer.size() + deferredLength + qMax(room, 0)));
    adviseHugePages(joined);
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
