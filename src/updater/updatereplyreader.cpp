#include "updatereplyreader.h"

#include "framework/simplexmlparser.h"
#include "qufw.h"

UpdateReplyReader::UpdateReplyReader() : m_framer(new SimpleXmlParser)
{
    m_framer->rootTag = QUFW::tagName(QUFW::Tags::QDUPFW);
    m_framer->notificationMode = SimpleXmlParser::QueueAndNotify;
    m_framer->setMaxBufferSize(int(MaxReplyBytes));
}

UpdateReplyReader::~UpdateReplyReader()
{
    delete m_framer;
}

UpdateReplyReader::State UpdateReplyReader::addData(const QByteArray &data)
{
    if (m_state != State::NeedMore || m_ended || data.isEmpty())
        return m_state;
    m_received += data.size();
    if (m_received > MaxReplyBytes) {
        m_state = State::Failed;
        m_failure = QStringLiteral("reply larger than %1 bytes").arg(MaxReplyBytes);
        m_framer->emptyBuffer();
        return m_state;
    }
    QByteArray piece = data;
    const int nul = piece.indexOf('\0');
    if (nul >= 0) {
        piece.truncate(nul);
        m_ended = true;
    }
    m_framer->addData(QString::fromLatin1(piece));
    while (m_framer->hasPendingMessages()) {
        const QString message = m_framer->getNextMessage();
        if (!message.contains(QUFW::tagName(QUFW::Tags::FileInfoRoot))) {
            m_unknown << message;
            continue;
        }
        m_record = DownloadableFileInfo::fromReplyMessage(message);
        m_state = State::Record;
        return m_state;
    }
    m_pending = m_framer->getCurrentBuffer();
    return m_state;
}

UpdateReplyReader::State UpdateReplyReader::finish()
{
    if (m_state == State::NeedMore) {
        m_state = State::Failed;
        m_failure = m_unknown.isEmpty() ? QStringLiteral("no complete reply message: ") + m_pending.left(512)
                                        : QStringLiteral("no file description in the reply");
    }
    return m_state;
}
