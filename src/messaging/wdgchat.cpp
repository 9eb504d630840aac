#include "wdgchat.h"
#include "widgets/peerlabel.h"

#include "app/globallogger.h"
#include "chattime.h"
#include "framework/promptservice.h"
#include "wdgchatmsg.h"
#include "widgets/mpguilabels.h"
#include "widgets/sharedicons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmapCache>
#include <QPushButton>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
const char *const ChatStyle =
    "#wdgChat\n{\n    background: white;\n    border: 0px solid white;\n}\n\n #msgList\n{\n\tbackground: "
    "transparent;\n    background-image: url(\":/images/pattern_chat.png\") repeat;\n    border: 0px solid white;\n    "
    "border-top: 1px solid #cdcdcd;\n}\n\nQListWidget::item\n{\n    background: transparent;\n    border: 0px solid "
    "white;\n}\n\n#btSendMsg, #btDetach\n{\n    border: 0px solid white;\n    background: "
    "transparent;\n}\n\n#txtChat\n{\n  "
    "  background: transparent;\n    border: 1px solid rgb(180, 180, 180);\n}";

QLabel *plainLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText); // names and presence texts come from the PBX
    return label;
}

QPushButton *iconButton(const char *name, const char *icon, int iconSide, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(SharedIcons::icon(QLatin1String(icon)));
    button->setIconSize(QSize(iconSide, iconSide));
    return button;
}
} // namespace

wdgChat::wdgChat(const QString &exten, const QString &name, bool detached, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_exten(exten)
{
    buildForm();
    setRemoteName(name);
    lblStatus->clear();
    lblStatusMsg->clear();
    lblEvent->clear();
    txtChat->clear();
    m_composingTimer.setInterval(ComposingQuietMs);
    m_composingTimer.setSingleShot(true);
    m_displayedTimer.setInterval(DisplayedDelayMs);
    m_displayedTimer.setSingleShot(true);
    connect(txtChat, &QLineEdit::returnPressed, this, &wdgChat::sendMessage);
    connect(btSendMsg, &QPushButton::clicked, this, &wdgChat::sendMessage);
    connect(txtChat, &QLineEdit::textChanged, this, &wdgChat::onTextChanged);
    connect(&m_composingTimer, &QTimer::timeout, this, &wdgChat::sendStopComposing);
    connect(&m_displayedTimer, &QTimer::timeout, this, &wdgChat::sigDisplayed);
    connect(btSendChatEmail, &QPushButton::clicked, this, &wdgChat::sendChatEmail);
    connect(btSaveHistory, &QPushButton::clicked, this, &wdgChat::saveChatToFile);
    connect(btDetach, &QPushButton::clicked, this, &wdgChat::toggleDetach);
    // The presence pictures are decoded and scaled once, not for every
    // conversation (a connection opens dozens of them at once).
    const char *const files[5] = {":/images/mctiReady.png", ":/images/mctiAway.png", ":/images/mctiBusy.png",
                                  ":/images/mctiUnavailable.png", ":/images/mctiOffline.png"};
    const QSize side = lblChat->size();
    for (int i = 0; i < 5; ++i) {
        const QString key = QStringLiteral("wdgChat:%1:%2x%3").arg(i).arg(side.width()).arg(side.height());
        QPixmap picture;
        if (!QPixmapCache::find(key, &picture)) {
            picture = QPixmap(QLatin1String(files[i]));
            if (!picture.isNull())
                picture = picture.scaled(side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QPixmapCache::insert(key, picture);
        }
        m_pictures[i] = picture;
    }
    setDetached(detached);
    hide();
}

wdgChat::~wdgChat()
{
    sendStopComposing();
    m_displayedTimer.stop();
    for (auto it = m_bubbles.cbegin(); it != m_bubbles.cend(); ++it) {
        it.key()->disconnect(this);
        it.key()->deleteLater();
    }
}

void wdgChat::buildForm()
{
    setObjectName(QStringLiteral("wdgChat"));
    resize(288, 300);
    setMinimumWidth(288);
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
    setWindowTitle(QStringLiteral("VeloraChat -  "));
    m_grid = new QGridLayout(this);
    m_grid->setSpacing(4);

    lblChat = new QLabel(this);
    lblChat->setObjectName(QStringLiteral("lblChat"));
    lblChat->setFixedSize(25, 25);
    lblChat->setScaledContents(true);
    lblChat->setPixmap(QPixmap(QStringLiteral(":/images/chatBig.png")));
    lblTitle = plainLabel("lblTitle", this);
    QFont bold = f;
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblEvent = plainLabel("lblEvent", this);
    QFont small = f;
    small.setPointSize(8);
    lblEvent->setFont(small);
    m_grid->addWidget(lblTitle, 0, 1);
    m_grid->addWidget(lblEvent, 0, 2);

    auto *statusLayout = new QHBoxLayout;
    statusLayout->setObjectName(QStringLiteral("statusHLayout"));
    lblStatus = plainLabel("lblStatus", this);
    lblStatus->setFont(small);
    lblStatusMsgSep = plainLabel("lblStatusMsgSep", this);
    lblStatusMsgSep->setText(QStringLiteral("-"));
    lblStatusMsg = plainLabel("lblStatusMsg", this);
    lblStatusMsg->setWordWrap(true);
    statusLayout->addWidget(lblStatus);
    statusLayout->addWidget(lblStatusMsgSep);
    statusLayout->addWidget(lblStatusMsg, 1);
    // Names and status messages come from the PBX: they never widen the window.
    PeerLabel::bound(lblTitle);
    PeerLabel::bound(lblStatusMsg);
    m_grid->addLayout(statusLayout, 1, 1, 1, 2);

    auto *detachLayout = new QVBoxLayout;
    detachLayout->setObjectName(QStringLiteral("detachVLayout"));
    btDetach = iconButton("btDetach", ":/images/detach_icon.png", 16, this);
    btDetach->setFlat(true);
    btDetach->setFixedSize(20, 20);
    detachLayout->addWidget(btDetach);
    m_grid->addLayout(detachLayout, 0, 3, 2, 1);

    msgList = new QListWidget(this);
    msgList->setObjectName(QStringLiteral("msgList"));
    msgList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    msgList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(msgList->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_updatingBubbles && value == msgList->verticalScrollBar()->minimum() && m_firstBubble > 0 &&
            msgList->isVisible() && msgList->verticalScrollBar()->maximum() > 0)
            showOlderMessages();
    });
    m_grid->addWidget(msgList, 2, 0, 1, 4);

    auto *sendLayout = new QHBoxLayout;
    sendLayout->setObjectName(QStringLiteral("sendHLayout"));
    txtChat = new QLineEdit(this);
    txtChat->setObjectName(QStringLiteral("txtChat"));
    txtChat->setMinimumHeight(24);
    txtChat->setPlaceholderText(tr("Scrivi messaggio"));
    btSendMsg = iconButton("btSendMsg", ":/images/send_icon.png", 22, this);
    btSendMsg->setFlat(true);
    btSendMsg->setFixedSize(24, 24);
    sendLayout->addWidget(txtChat);
    sendLayout->addWidget(btSendMsg);
    m_grid->addLayout(sendLayout, 3, 0, 1, 4);

    auto *buttonsLayout = new QHBoxLayout;
    buttonsLayout->setObjectName(QStringLiteral("buttonsHLayout"));
    buttonsLayout->setSpacing(0);
    buttonsLayout->addStretch();
    btSendChatEmail = iconButton("btSendChatEmail", ":/images/send_email.png", 18, this);
    btSaveHistory = iconButton("btSaveHistory", ":/images/save.png", 22, this);
    for (QPushButton *b : {btSendChatEmail, btSaveHistory}) {
        b->setMinimumWidth(30);
        b->setMaximumWidth(32);
        buttonsLayout->addWidget(b);
    }
    m_grid->addLayout(buttonsLayout, 4, 0, 1, 4);
    // Inside the chat panel the conversation takes its look from the panel's
    // stack of conversations: a sheet of its own for every conversation
    // costs as much as the rest of its making.
    if (!parentWidget())
        setStyleSheet(styleSheetText());
}

QString wdgChat::styleSheetText()
{
    return QLatin1String(ChatStyle) + QLatin1Char('\n') + wdgChatMsg::styleSheetText();
}

int wdgChat::presencePictureIndex(int presence)
{
    switch (presence) {
    case 0:
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    case 4:
        return 3;
    default:
        return 4;
    }
}

QPixmap wdgChat::presencePixmap() const
{
    return m_pictures[presencePictureIndex(m_presence)];
}

void wdgChat::setRemoteName(const QString &name)
{
    m_remoteName = name;
    setWindowTitle(tr("Chat: %1").arg(name));
    lblTitle->setText(name);
}

void wdgChat::setRemotePresence(CTILIB::ChatPresence presence, const QString &message)
{
    lblTitle->setText(m_remoteName);
    m_presence = presence;
    m_presenceMessage = message;
    lblChat->setPixmap(presencePixmap());
    lblStatus->setText(MPGUI::translatePresenceStatus(presence));
    lblStatusMsg->setText(message);
    lblStatusMsg->setVisible(!message.isEmpty());
    lblStatusMsgSep->setVisible(m_detached && !message.isEmpty());
}

void wdgChat::setRemoteComposing(bool composing)
{
    lblEvent->setText(composing ? tr("sta scrivendo...") : QString());
}

void wdgChat::setDetached(bool detached)
{
    m_detached = detached;
    if (detached && !parentWidget() && styleSheet().isEmpty())
        setStyleSheet(styleSheetText()); // a window of its own
    if (detached) {
        m_grid->addWidget(lblChat, 0, 0, 2, 1);
        lblChat->show();
        lblStatus->show();
        btDetach->hide();
    } else {
        lblChat->hide();
        m_grid->removeWidget(lblChat);
        lblStatus->hide();
        btDetach->show();
    }
    lblStatusMsgSep->setVisible(detached && !lblStatusMsg->text().isEmpty());
}

bool wdgChat::addMessage(const ChatMessage &msg, bool history)
{
    if (msg.direction == 1) {
        newTxMessage(msg.body, history, msg.id, msg.time);
    } else if (msg.direction == 0) {
        newRxMessage(msg.body, history, msg.id, msg.time);
        if (msg.type == 0 && hasFocus())
            startDisplayedTimer();
    }
    return true;
}

void wdgChat::addBubble(const QString &sender, int kind, const QString &text, bool history, const QString &id,
                        QDateTime time)
{
    if (!history)
        time = ChatTime::utcToLocal(time.isValid() ? time : QDateTime::currentDateTimeUtc());
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Message id:" << id << "timestamp:" << time;
    m_ids.insert(id);
    m_messages.append({sender, kind, text, id, time});
    // History replayed into a hidden conversation waits until it is shown.
    if (isVisible())
        queueBubbles();
}

void wdgChat::newRxMessage(const QString &text, bool history, const QString &id, QDateTime time)
{
    addBubble(m_remoteName, 1, text, history, id, time);
}

void wdgChat::newTxMessage(const QString &text, bool history, const QString &id, QDateTime time)
{
    addBubble(tr("IO"), 0, text, history, id, time);
}

wdgChatMsg *wdgChat::makeBubble(const Entry &entry)
{
    return new wdgChatMsg(entry.sender, entry.text, entry.time, entry.kind, entry.id, this);
}

void wdgChat::insertBubble(int row, wdgChatMsg *bubble)
{
    auto *item = new QListWidgetItem;
    msgList->insertItem(row, item);
    msgList->setItemWidget(item, bubble);
    m_bubbles.insert(bubble, item);
    connect(bubble, &wdgChatMsg::sigSizeChanged, this, &wdgChat::onChatMsgSizeChanged);
    const int width = msgList->viewport()->width();
    if (width > 0)
        bubble->updateWidgetSize(width);
}

void wdgChat::removeFirstBubble()
{
    QListWidgetItem *item = msgList->item(0);
    if (!item)
        return;
    if (auto *bubble = qobject_cast<wdgChatMsg *>(msgList->itemWidget(item))) {
        m_bubbles.remove(bubble);
        bubble->disconnect(this);
        msgList->removeItemWidget(item); // deleted by the view
    }
    delete item;
    ++m_firstBubble;
    --m_bubbleCount;
}

void wdgChat::removeAllBubbles()
{
    for (auto it = m_bubbles.cbegin(); it != m_bubbles.cend(); ++it)
        it.key()->disconnect(this);
    m_bubbles.clear();
    msgList->clear();
    m_firstBubble += m_bubbleCount;
    m_bubbleCount = 0;
}

void wdgChat::queueBubbles()
{
    if (m_bubblesQueued)
        return;
    m_bubblesQueued = true;
    // While messages pour in, bubbles are made at most every
    // FloodBubbleIntervalMs: each round makes those of the newest messages.
    int delay = 0;
    if (m_lastBubbles.isValid() && m_lastBubbles.elapsed() < FloodBubbleIntervalMs)
        delay = FloodBubbleIntervalMs - int(m_lastBubbles.elapsed());
    QTimer::singleShot(delay, this, [this] {
        m_roundEnd = m_messages.size();
        continueBubbles();
    });
}

void wdgChat::continueBubbles()
{
    if (isVisible() && !makeBubbles(m_roundEnd, BubbleSliceMs)) {
        QTimer::singleShot(0, this, [this] { continueBubbles(); });
        return;
    }
    m_bubblesQueued = false;
    // Messages that came during the round wait for the next one.
    if (isVisible() && pendingCount() > 0)
        queueBubbles();
}

bool wdgChat::findChatId(const QString &id) const
{
    return m_ids.contains(id);
}

void wdgChat::createPendingBubbles()
{
    makeBubbles(m_messages.size(), -1);
}

bool wdgChat::makeBubbles(int end, int budgetMs)
{
    end = std::min(end, m_messages.size());
    int next = m_firstBubble + m_bubbleCount;
    if (next >= end)
        return true;
    QElapsedTimer slice;
    slice.start();
    const QScopedValueRollback<bool> updating(m_updatingBubbles, true);
    msgList->setUpdatesEnabled(false);
    if (end - next > FreshBubbles) {
        // Many at once (a history shown, a flood): bubbles for the newest
        // screenful, older ones as the list is scrolled up.
        removeAllBubbles();
        m_firstBubble = next = end - FreshBubbles;
    }
    while (next < end) {
        insertBubble(msgList->count(), makeBubble(m_messages.at(next++)));
        ++m_bubbleCount;
        if (budgetMs >= 0 && slice.elapsed() >= budgetMs)
            break;
    }
    while (m_bubbleCount > MaxBubbles)
        removeFirstBubble();
    msgList->setUpdatesEnabled(true);
    m_lastBubbles.start();
    if (msgList->isVisible())
        msgList->scrollToBottom();
    return next >= end;
}

void wdgChat::showOlderMessages(int count)
{
    createPendingBubbles();
    const int n = std::min(count, m_firstBubble);
    if (n <= 0)
        return;
    const QScopedValueRollback<bool> updating(m_updatingBubbles, true);
    QScrollBar *bar = msgList->verticalScrollBar();
    const int fromBottom = bar->maximum() - bar->value();
    msgList->setUpdatesEnabled(false);
    for (int i = 0; i < n; ++i)
        insertBubble(i, makeBubble(m_messages.at(m_firstBubble - n + i)));
    m_firstBubble -= n;
    m_bubbleCount += n;
    msgList->doItemsLayout();
    bar->setValue(bar->maximum() - fromBottom); // the same messages stay in view
    msgList->setUpdatesEnabled(true);
}

QList<wdgChatMsg *> wdgChat::bubbles()
{
    createPendingBubbles();
    QList<wdgChatMsg *> list;
    for (int row = 0; row < msgList->count(); ++row) {
        if (auto *bubble = qobject_cast<wdgChatMsg *>(msgList->itemWidget(msgList->item(row))))
            list.append(bubble);
    }
    return list;
}

bool wdgChat::hasFocus() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void wdgChat::putOnTop()
{
    show();
    showNormal();
    activateWindow();
    txtChat->setFocus(Qt::OtherFocusReason);
    setWindowState(windowState() | Qt::WindowActive);
    if (hasFocus())
        m_displayedTimer.start();
}

void wdgChat::sendMessage()
{
    const QString text = txtChat->text();
    txtChat->clear();
    if (text.isEmpty())
        return;
    sendStopComposing();
    emit sigSendChatMessage(m_exten, text);
}

void wdgChat::onTextChanged(const QString &text)
{
    if (text.isEmpty())
        sendStopComposing();
    else
        sendStartComposing();
}

void wdgChat::sendStartComposing()
{
    m_composingTimer.stop();
    if (!m_composing) {
        m_composing = true;
        emit sigStartComposing(m_exten);
    }
    m_composingTimer.start();
}

void wdgChat::sendStopComposing()
{
    m_composingTimer.stop();
    if (m_composing) {
        m_composing = false;
        emit sigStopComposing(m_exten);
    }
}

void wdgChat::toggleDetach()
{
    emit sigDetachRequested(!m_detached);
}

QString wdgChat::conversationText()
{
    // Every message, whole, whether it has a bubble or not.
    QStringList parts;
    parts.reserve(m_messages.size());
    for (const Entry &e : qAsConst(m_messages))
        parts.append(wdgChatMsg::exportText(e.sender, wdgChatMsg::timeText(e.time), e.text));
    return parts.join(QLatin1Char('\n'));
}

QUrl wdgChat::mailUrl()
{
    const QString subject = tr("Invio Chat del ") + QDate::currentDate().toString(QStringLiteral("d MMMM yyyy"));
    // Each value is percent-encoded whole, so "&", "#", "?" or "=" in the
    // conversation stay inside the body.
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QString::fromLatin1(QUrl::toPercentEncoding(subject)));
    query.addQueryItem(QStringLiteral("body"), QString::fromLatin1(QUrl::toPercentEncoding(conversationText())));
    QUrl url(QStringLiteral("mailto:"));
    url.setQuery(query);
    return url;
}

void wdgChat::sendChatEmail()
{
    if (messageCount() == 0)
        return;
    prompts().openUrl(mailUrl());
}

void wdgChat::saveChatToFile()
{
    if (messageCount() == 0)
        return;
    const QString path =
        prompts().getSaveFileName(this, tr("Salva la chat su file"), QStringLiteral("./"), tr("File di testo (*.txt)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray data = conversationText().toUtf8();
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        prompts().warning(this, tr("Salva la chat su file"),
                          tr("Impossibile salvare la chat in %1: %2").arg(path, reason));
    }
}

void wdgChat::onChatMsgSizeChanged(QSize size)
{
    auto *bubble = qobject_cast<wdgChatMsg *>(sender());
    if (QListWidgetItem *item = m_bubbles.value(bubble))
        item->setSizeHint(QSize(0, size.height()));
}

void wdgChat::startDisplayedTimer()
{
    if (hasFocus())
        m_displayedTimer.start();
}

void wdgChat::showEvent(QShowEvent *event)
{
    createPendingBubbles();
    if (!m_displayedTimer.isActive())
        startDisplayedTimer();
    event->accept();
}

void wdgChat::hideEvent(QHideEvent *event)
{
    m_displayedTimer.stop();
    event->accept();
}

void wdgChat::enterEvent(QEvent *event)
{
    if (!m_displayedTimer.isActive())
        startDisplayedTimer();
    event->accept();
}

void wdgChat::leaveEvent(QEvent *event)
{
    m_displayedTimer.stop();
    event->accept();
}

void wdgChat::closeEvent(QCloseEvent *event)
{
    setWindowState(windowState() & ~Qt::WindowActive);
    hide();
    emit sigDetachRequested(!m_detached);
    event->ignore();
}
