#include "wdgvoicemailline.h"
#include "widgets/peerlabel.h"

#include "framework/promptservice.h"
#include "ui_wdgvoicemailline.h"
#include "voicemaillink.h"
#include "voicemailplayer.h"
#include "widgets/guiutils.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <limits>

wdgVoicemailLine::wdgVoicemailLine(const VoicemailMessage &message, std::shared_ptr<VoicemailLink> vmLink,
                                   VoicemailPlayer::Maker &playerMaker, QWidget *parent)
    : QWidget(parent), ui(new Ui::wdgVoicemailLine), m_id(message.id), m_uuid(message.uuid),
      m_senderNum(message.senderNum), m_senderName(message.senderName), m_folder(message.folder),
      m_arrival(message.arrival), m_duration(message.duration), m_unheard(message.unheard), m_urgent(message.urgent),
      link(std::move(vmLink)), players(playerMaker), pauseIcon(QStringLiteral(":/images/pausa_gray.png")),
      playIcon(QStringLiteral(":/images/play.png"))
{
    qDebug() << "VM MITTENTE: " << m_senderName << m_senderNum << m_duration << m_id << m_uuid << m_folder;
    ui->setupUi(this);
    PeerLabel::bound(ui->senderLabel);
    ui->stackedWidget->setCurrentWidget(ui->pageEmpty);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("wdgVoicemailLine{background-color:rgba(255,255,255,200);border:1px solid silver}"));
    ui->horizontalSlider->setRange(0, 0);
    ui->horizontalSlider->setValue(0);

    ui->senderLabel->setText(senderText(message));
    ui->dateOfArrivalLabel->setText(m_arrival.toString(QStringLiteral("dd-MM-yyyy, HH:mm")));
    ui->lengthLabel->setText(GuiUtils::secondToMinSecString(m_duration));

    connect(ui->downloadButton, &QPushButton::pressed, this, &wdgVoicemailLine::startDownload);
    connect(ui->trashBin, &QPushButton::pressed, this, &wdgVoicemailLine::deleteMessage);
    connect(ui->horizontalSlider, &QSlider::sliderMoved, this, &wdgVoicemailLine::seek);
    connect(ui->playButton, &QPushButton::pressed, this, &wdgVoicemailLine::togglePlay);
}

wdgVoicemailLine::~wdgVoicemailLine()
{
    // The player lets go of the file before the directory goes.
    delete m_player;
    m_player = nullptr;
    delete ui;
}

QString wdgVoicemailLine::senderText(const VoicemailMessage &message)
{
    QString sender = message.senderName.trimmed();
    if (sender.isEmpty())
        sender = message.senderNum.trimmed();
    if (sender.isEmpty())
        sender = tr("Unknown");
    const QString mark = message.unheard ? QStringLiteral("*") : message.urgent ? QStringLiteral("!") : QString();
    return QStringLiteral("%1 %2").arg(sender, mark);
}

void wdgVoicemailLine::startDownload()
{
    qDebug() << "Starting download...";
    if (!tmpDir.isValid()) {
        qCritical() << "Cannot open temporary directory for download!";
        prompts().critical(this, tr("Errore!"), tr("Impossibile scaricare il messaggio vocale"));
        return;
    }
    link->downloadMessage(m_id, m_uuid, tmpDir.path());
}

// The reported file is played only when it is a file inside this row's own
// directory: the report comes from outside.
void wdgVoicemailLine::onVoiceMailDownloaded(const QString &filePath)
{
    const QString dir = QDir(tmpDir.path()).canonicalPath();
    const QFileInfo file(filePath);
    const QString canonical = file.canonicalFilePath();
    if (!tmpDir.isValid() || dir.isEmpty() || canonical.isEmpty() || !file.isFile() ||
        !canonical.startsWith(dir + QLatin1Char('/'))) {
        qWarning() << "Voicemail file outside the message's directory refused:" << filePath;
        return;
    }
    m_audioFile = canonical;
    if (!m_player) {
        // Made with the first audio: a list of many messages holds no idle players.
        m_player = players.make(this);
        connect(m_player, &VoicemailPlayer::positionChanged, this, &wdgVoicemailLine::onPositionChanged);
        connect(m_player, &VoicemailPlayer::durationChanged, this, &wdgVoicemailLine::onDurationChanged);
        connect(m_player, &VoicemailPlayer::audioAvailableChanged, this, &wdgVoicemailLine::onAudioAvabilityChanged);
        connect(m_player, &VoicemailPlayer::errorOccurred, this, &wdgVoicemailLine::displayErrorMessage);
        connect(m_player, &VoicemailPlayer::endOfMedia, this, &wdgVoicemailLine::onPlayFinished);
    }
    m_player->setLocalFile(canonical);
}

void wdgVoicemailLine::onDurationChanged(qint64 duration)
{
    if (duration < 1)
        qDebug() << "Got unexpected audio duration: " << duration;
    ui->horizontalSlider->setMaximum(int(qBound<qint64>(0, duration, std::numeric_limits<int>::max())));
    ui->horizontalSlider->setValue(0);
    ui->stackedWidget->setCurrentWidget(ui->pageSlider);
}

void wdgVoicemailLine::onPositionChanged(qint64 position)
{
    qDebug() << "positionChanged " << position;
    const int end = ui->horizontalSlider->maximum();
    if (playing && end > 0 && position >= end) {
        onPlayFinished();
        return;
    }
    if (!ui->horizontalSlider->isSliderDown())
        ui->horizontalSlider->setValue(int(qBound<qint64>(0, position, end)));
}

// The end of the message, by the player's end of media or by a position at the
// end, whichever comes first: marked as heard once per play.
void wdgVoicemailLine::onPlayFinished()
{
    if (!playing)
        return;
    playing = false;
    m_player->stop();
    ui->horizontalSlider->setValue(0);
    ui->playButton->setIcon(playIcon);
    if (m_unheard) {
        link->markHeard(m_id);
        link->requestList();
    }
}

void wdgVoicemailLine::onAudioAvabilityChanged(bool available)
{
    if (!available)
        qDebug() << "Voicemail file audio is not available!";
}

void wdgVoicemailLine::displayErrorMessage()
{
    qDebug() << "Voicemail player error message: " << (m_player ? m_player->errorString() : QString());
}

void wdgVoicemailLine::seek(int position)
{
    qDebug() << "Seeking audio: " << position;
    if (m_player)
        m_player->setPosition(position);
}

void wdgVoicemailLine::togglePlay()
{
    if (playing)
        pause();
    else
        play();
}

void wdgVoicemailLine::play()
{
    if (!m_player)
        return;
    qDebug() << "Playing audio";
    m_player->play();
    playing = true;
    ui->playButton->setIcon(pauseIcon);
}

void wdgVoicemailLine::pause()
{
    qDebug() << "Pausing audio";
    if (m_player)
        m_player->pause();
    playing = false;
    ui->playButton->setIcon(playIcon);
}

void wdgVoicemailLine::deleteMessage()
{
    qDebug() << "Delete message: " << m_id;
    link->deleteMessage(m_id);
    link->requestList();
}
