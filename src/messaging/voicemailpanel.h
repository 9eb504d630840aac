// The voicemail tab: one row per message of the PBX's list, kept in step with
// each new list (new messages on top, kept rows untouched, rows gone from the
// list removed with their downloaded audio), the download reports handed to
// their rows, and the mailbox refresh.
#pragma once

#include "ctilibtypes.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CtiLib;
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

    explicit VoicemailPanel(const Widgets &widgets, QObject *parent = nullptr);
    ~VoicemailPanel() override;

    // The CTI client (null when it goes): requests are sent while it is connected.
    void setCtiClient(CtiLib *lib);
    // Another way to the PBX (tests).
    void setLink(std::shared_ptr<VoicemailLink> link);
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

private:
    void removeRow(wdgVoicemailLine *row);

    Widgets ui;
    QScrollArea *scrollArea = nullptr;
    QPointer<CtiLib> ctiLib;
    std::shared_ptr<VoicemailLink> link;
    bool visualVoicemailAvailable = false;
    QMap<QString, wdgVoicemailLine *> voicemailRows;
};
