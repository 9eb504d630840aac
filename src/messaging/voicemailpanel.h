// The voicemail tab: one row per message of the PBX's list, kept in step with
// each new list (new messages on top, kept rows untouched, rows gone from the
// list removed with their downloaded audio), the download reports handed to
// their rows, and the mailbox refresh.
#pragma once

#include "app/requestgate.h"
#include "ctilibtypes.h"
#include "voicemailplayer.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class QBoxLayout;
class QScrollArea;
class QStackedWidget;
class QWidget;
class VoicemailLink;
class wdgVoicemailLine;

class VoicemailPanel : public QObject
{
    Q_OBJECT
public:
    // The main form's voicemail widgets.
    struct Widgets {
        QStackedWidget *voicemailStckWidget = nullptr;
        QWidget *pageVoicemailNoResults = nullptr;
        QWidget *pageVoicemail = nullptr;
        QBoxLayout *VoicemailLayout = nullptr;
    };
    // Rows shown at most: the first ones of a longer list. The PBX's list is
    // outside input; each row holds a player and a temporary directory, so a
    // runaway list must not build thousands of them.
    static constexpr int MaxRows = 500;
    // The list request: a lost answer frees the gate after this, and two
    // requests are at least this far apart.
    static constexpr int ListAnswerTimeoutMs = 20000;
    static constexpr int ListSpacingMs = 1000;

    // `pbx`: the way to the PBX (the CTI client in the program, see
    // CtiVoicemailLink); requests are sent while it is connected. `players`
    // makes the rows' audio players and outlives the rows.
    VoicemailPanel(const Widgets &widgets, std::shared_ptr<VoicemailLink> pbx, VoicemailPlayer::Maker &players,
                   QObject *parent = nullptr);
    ~VoicemailPanel() override;

    // A session started or ended: no list request on its way, no mailbox known.
    void resetSession();
    // Whether this PBX offers the voicemail list (set at each log-in).
    void setAvailable(bool available) { visualVoicemailAvailable = available; }
    bool isAvailable() const { return visualVoicemailAvailable; }

    // The page of the stacked widget that shows the rows (a scroll area
    // around `pageVoicemail`).
    QWidget *listPage() const;
    // The rows by message uuid.
    const QMap<QString, wdgVoicemailLine *> &rows() const { return voicemailRows; }

public slots:
    void onVoicemailMsgListReceived(const VoicemailMessageList &messages);
    void clearVoiceMailMap(const QList<VoicemailMessage> &messages);
    void onVoicemailDownloadCompleted(const QString &id, const QString &uuid, const QString &filePath);
    void onVoicemailDeletion(const QString &uuid);
    // Asks the PBX for the mailbox counters (periodic refresh).
    void refreshVoicemailStatus();
    // The PBX's mailbox counters: a status that differs from the last one
    // known asks for the list. True when it did.
    bool onMailboxStatusChanged(const MailboxStatus &status);
    // Asks for the list through the gate.
    void requestList();
    // List requests sent to the PBX in this session and before.
    int listRequestsSent() const { return listGate.sentCount(); }

private:
    friend class VoicemailPanelLink;
    void removeRow(wdgVoicemailLine *row);
    bool sendListRequest();

    Widgets ui;
    QScrollArea *scrollArea = nullptr;
    std::shared_ptr<VoicemailLink> pbx;  // the way to the PBX
    std::shared_ptr<VoicemailLink> link; // what the rows use: `pbx`, with list requests through the gate
    VoicemailPlayer::Maker &players;
    RequestGate listGate;
    bool mailboxKnown = false;
    MailboxStatus knownMailbox;
    bool visualVoicemailAvailable = false;
    QMap<QString, wdgVoicemailLine *> voicemailRows;
};
