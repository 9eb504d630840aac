// One voicemail message in the voicemail tab: sender, arrival, length, the
// download button, then a player with its position slider, and the delete
// button. The audio is downloaded into the row's own temporary directory and
// goes with the row.
#pragma once

#include "ctilibtypes.h"
#include "voicemailplayer.h"

#include <QIcon>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class VoicemailLink;

namespace Ui
{
class wdgVoicemailLine;
}

class wdgVoicemailLine : public QWidget
{
    Q_OBJECT
public:
    // `link`: shared with the list and the other rows. The player is made by
    // `players` when the first audio file is accepted.
    wdgVoicemailLine(const VoicemailMessage &message, std::shared_ptr<VoicemailLink> link,
                     VoicemailPlayer::Maker &players, QWidget *parent = nullptr);
    ~wdgVoicemailLine() override;

    QString uuid() const { return m_uuid; }
    QString id() const { return m_id; }
    bool isPlaying() const { return playing; }
    // The audio file being played; empty before a download was accepted.
    QString audioFile() const { return m_audioFile; }
    QString temporaryPath() const { return tmpDir.path(); }
    VoicemailPlayer *player() const { return m_player; } // null before the audio
    // The sender text with its mark: "*" new, "!" urgent.
    static QString senderText(const VoicemailMessage &message);

public slots:
    void startDownload();
    void onVoiceMailDownloaded(const QString &filePath);
    void onDurationChanged(qint64 duration);
    void onPositionChanged(qint64 position);
    void onPlayFinished();
    void onAudioAvabilityChanged(bool available);
    void displayErrorMessage();
    void seek(int position);
    void togglePlay();
    void play();
    void pause();
    void deleteMessage();

private:
    Ui::wdgVoicemailLine *ui;
    QString m_id, m_uuid, m_senderNum, m_senderName, m_folder;
    QDateTime m_arrival;
    int m_duration = 0;
    bool m_unheard = false;
    bool m_urgent = false;
    QTemporaryDir tmpDir;
    std::shared_ptr<VoicemailLink> link;
    VoicemailPlayer::Maker &players;
    VoicemailPlayer *m_player = nullptr;
    QString m_audioFile;
    bool playing = false;
    QIcon pauseIcon, playIcon;
};
