// Collects the reply of one version request, which may arrive in any number
// of pieces, and gives one outcome: a file description, or a failure with
// its reason. Nothing is decided on a piece alone: the outcome comes with the
// first complete message that carries a file description, or at the end of
// the reply. The reply is bounded in size.
#pragma once

#include "downloadablefileinfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class SimpleXmlParser;

class UpdateReplyReader
{
public:
    enum class State { NeedMore, Record, Failed };

    // Largest reply accepted.
    static constexpr qint64 MaxReplyBytes = 1024 * 1024;

    UpdateReplyReader();
    ~UpdateReplyReader();
    UpdateReplyReader(const UpdateReplyReader &) = delete;
    UpdateReplyReader &operator=(const UpdateReplyReader &) = delete;

    // Adds a piece. Once the state has left NeedMore, later pieces are ignored.
    State addData(const QByteArray &data);
    // The reply has ended: NeedMore becomes Failed.
    State finish();

    State state() const { return m_state; }
    // The description read (when Record); it may still be invalid.
    const DownloadableFileInfo &record() const { return m_record; }
    // Why the reply failed (when Failed).
    QString failure() const { return m_failure; }
    // Complete messages that carried no file description, in order.
    QStringList unknownMessages() const { return m_unknown; }

private:
    State m_state = State::NeedMore;
    qint64 m_received = 0;
    bool m_ended = false; // a NUL byte ended the text
    SimpleXmlParser *m_framer = nullptr;
    DownloadableFileInfo m_record;
    QString m_failure;
    QStringList m_unknown;
    QString m_pending; // the framer's unframed text, for the failure log
};
