#include "wdgchatpanel.h"

#include "app/globallogger.h"
#include "chatcontactitemdelegate.h"
#include "wdgchat.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>

#include <algorithm>

namespace
{
const int ExtenRole = 1001;
const int UnreadRole = 1002;
const char *const PanelStyle =
    "#lstContacts\n{\n    background: transparent;\n    border-right: 1px solid #cdcdcd;\n}\n\n#stkChats\n{\n    "
    "background: transparent;\n}\n\n#stkChats >#pgEmpty\n{\n    background-image: url(\":images/pattern_chat.png\") "
    "repeat;\n    \n}\n\nQListWidget::item, QListWidget::item:selected\n{\n    border-top: 1px solid #cdcdcd;\n    "
    "color: black;\n}";

const char *typeWord(int type)
{
    switch (type) {
    case 0:
        return "normal";
    case 1:
        return "copy";
    case 2:
        return "history";
    case 3:
        return "feedback";
    default:
        return "invalid";
    }
}

const char *directionWord(int direction)
{
    return direction == 0 ? "received" : direction == 1 ? "sent" : "invalid";
}
} // namespace

wdgChatPanel::wdgChatPanel(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("wdgChatPanel"));
    resize(712, 374);
    setFont(QFont(QStringLiteral("Helvetica"), 9));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    lstContacts = new QListWidget(this);
    lstContacts->setObjectName(QStringLiteral("lstContacts"));
    lstContacts->setMaximumWidth(200);
    lstContacts->setAutoScroll(false);
    lstContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstContacts->setIconSize(QSize(16, 16));
    lstContacts->setItemDelegate(new chatContactItemDelegate(this));
    lstContacts->hide();
    stkChats = new QStackedWidget(this);
    stkChats->setObjectName(QStringLiteral("stkChats"));
    stkChats->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    stkChats->setStyleSheet(wdgChat::styleSheetText()); // one sheet for all the conversations
    pgEmpty = new QWidget;
    pgEmpty->setObjectName(QStringLiteral("pgEmpty"));
    auto *emptyGrid = new QGridLayout(pgEmpty);
    emptyGrid->setContentsMargins(0, 0, 0, 0);
    emptyGrid->setSpacing(0);
    auto *label = new QLabel(tr("Nessuna chat selezionata"), pgEmpty);
    label->setObjectName(QStringLiteral("label"));
    label->setAlignment(Qt::AlignCenter);
    emptyGrid->addWidget(label);
    stkChats->addWidget(pgEmpty);
    grid->addWidget(lstContacts, 0, 0);
    grid->addWidget(stkChats, 0, 1);
    setStyleSheet(QLatin1String(PanelStyle));

    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, &wdgChatPanel::onSelectedContactChangedTimeout);
    connect(lstContacts, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *current, QListWidgetItem *) { onSelectedContactChanged(current); });
    connect(lstContacts, &QListWidget::itemClicked, this, &wdgChatPanel::onSelectedContactChangedTimer);
    connect(lstContacts, &QListWidget::itemDoubleClicked, this, &wdgChatPanel::onSelectedContactClosed);
}

wdgChatPanel::~wdgChatPanel()
{
    const QStringList keys = m_sessions.keys();
    for (const QString &exten : keys) {
        ChatSession *session = m_sessions.take(exten);
        session->chat->disconnect(this);
        delete session->chat; // detached ones have no parent
        delete session;
    }
}

QString wdgChatPanel::rowText(const QString &exten, const QString &name)
{
    if (name.isEmpty() || name == exten)
        return exten;
    return QStringLiteral("%1\n%2").arg(name, exten);
}

bool wdgChatPanel::addChatSession(const QString &exten, const QString &name, const QString &context)
{
    if (exten.isEmpty())
        return false;
    if (m_sessions.contains(exten))
        return true;
    auto *item = new QListWidgetItem(rowText(exten, name));
    item->setData(ExtenRole, exten);
    item->setData(UnreadRole, 0);
    lstContacts->insertItem(0, item);
    // Made inside the stack: its style is worked out once, not again when
    // it is moved there (a connection opens dozens of conversations at once).
    auto *chat = new wdgChat(exten, name, false, stkChats);
    // Its style now, with the rest of its making, rather than in whatever
    // turn of the event loop first lays out the stack.
    chat->ensurePolished();
    chat->setEnabled(m_enabled);
    connect(chat, &wdgChat::sigSendChatMessage, this, &wdgChatPanel::onSendingMessage);
    connect(chat, &wdgChat::sigStartComposing, this, &wdgChatPanel::onStartComposing);
    connect(chat, &wdgChat::sigStopComposing, this, &wdgChatPanel::onStopComposing);
    connect(chat, &wdgChat::sigDisplayed, this, &wdgChatPanel::onChatDisplayed);
    connect(chat, &wdgChat::sigDetachRequested, this, &wdgChatPanel::onChatDetachRequested);
    stkChats->addWidget(chat);
    auto *session = new ChatSession;
    session->extension = exten;
    session->context = context;
    session->item = item;
    session->chat = chat;
    session->activity = ++m_activityClock; // on top, where its row went
    m_sessions.insert(exten, session);
    lstContacts->setVisible(lstContacts->count() > 0);
    return true;
}

void wdgChatPanel::deleteChatSession(const QString &exten)
{
    ChatSession *session = m_sessions.take(exten);
    if (!session)
        return;
    // The conversation's unread messages leave the total with it.
    const bool hadUnread = session->unread != 0;
    m_totalUnread -= session->unread;
    session->chat->hide();
    if (!session->chat->isDetached())
        stkChats->removeWidget(session->chat);
    session->chat->disconnect(this);
    session->chat->deleteLater();
    if (m_clickedItem == session->item)
        m_clickedItem = nullptr;
    delete lstContacts->takeItem(lstContacts->row(session->item));
    delete session;
    lstContacts->setVisible(lstContacts->count() > 0);
    if (hadUnread)
        emit sigUnreadChatMessageCountChanged(m_totalUnread);
}

void wdgChatPanel::deleteAllChatSession()
{
    const QStringList keys = m_sessions.keys();
    for (const QString &exten : keys)
        deleteChatSession(exten);
}

bool wdgChatPanel::hasChatSession(const QString &exten) const
{
    const ChatSession *session = m_sessions.value(exten);
    return session && session->chat;
}

wdgChat *wdgChatPanel::chatFor(const QString &exten) const
{
    const ChatSession *session = m_sessions.value(exten);
    return session ? session->chat : nullptr;
}

int wdgChatPanel::unreadFor(const QString &exten) const
{
    const ChatSession *session = m_sessions.value(exten);
    return session ? session->unread : 0;
}

QList<wdgChatPanel::ChatSession *> wdgChatPanel::sessionsInOrder() const
{
    QList<ChatSession *> order = m_sessions.values();
    std::sort(order.begin(), order.end(),
              [](const ChatSession *a, const ChatSession *b) { return a->activity > b->activity; });
    return order;
}

QStringList wdgChatPanel::sessionOrder() const
{
    QStringList order;
    for (const ChatSession *session : sessionsInOrder())
        order.append(session->extension);
    return order;
}

void wdgChatPanel::touch(ChatSession *session)
{
    session->activity = ++m_activityClock;
    queueContactListUpdate();
}

void wdgChatPanel::queueContactListUpdate()
{
    if (m_listUpdateQueued)
        return;
    m_listUpdateQueued = true;
    QTimer::singleShot(0, this, [this] {
        if (m_listUpdateQueued)
            updateContactList();
    });
}

void wdgChatPanel::updateContactList()
{
    m_listUpdateQueued = false;
    const QList<ChatSession *> order = sessionsInOrder();
    QListWidgetItem *current = lstContacts->currentItem();
    bool moved = false;
    {
        // The selection stays where it is: no conversation is switched.
        const QSignalBlocker blocker(lstContacts);
        for (int i = 0; i < order.size(); ++i) {
            QListWidgetItem *item = order.at(i)->item;
            const int row = lstContacts->row(item);
            if (row == i || row < 0)
                continue;
            lstContacts->takeItem(row);
            lstContacts->insertItem(i, item);
            moved = true;
        }
        if (moved && current && lstContacts->currentItem() != current)
            lstContacts->setCurrentItem(current);
    }
    for (ChatSession *session : order) {
        if (session->item->data(UnreadRole).toInt() != session->unread)
            session->item->setData(UnreadRole, session->unread);
    }
}

void wdgChatPanel::putOnTop(const QString &exten)
{
    ChatSession *session = m_sessions.value(exten);
    if (!session)
        return;
    if (lstContacts->currentItem() == session->item)
        onSelectedContactChanged(session->item);
    else
        lstContacts->setCurrentItem(session->item);
    if (session->chat->isDetached())
        session->chat->putOnTop();
}

void wdgChatPanel::enableChatWindows(bool enable)
{
    m_enabled = enable;
    for (ChatSession *session : qAsConst(m_sessions))
        session->chat->setEnabled(enable);
}

bool wdgChatPanel::isChatVisible(const QString &exten) const
{
    const ChatSession *session = m_sessions.value(exten);
    return session && session->chat->hasFocus();
}

void wdgChatPanel::setRemoteName(const QString &exten, const QString &name)
{
    ChatSession *session = m_sessions.value(exten);
    if (!session)
        return;
    session->chat->setRemoteName(name);
    session->item->setText(rowText(exten, name));
}

void wdgChatPanel::setRemotePresence(const QString &exten, CTILIB::ChatPresence presence, const QString &message)
{
    ChatSession *session = m_sessions.value(exten);
    if (!session)
        return;
    session->chat->setRemotePresence(presence, message);
    const QPixmap picture = session->chat->presencePixmap();
    session->item->setIcon(picture.isNull() ? QIcon() : QIcon(picture));
}

void wdgChatPanel::setRemoteComposing(const QString &exten, const QString &, bool composing)
{
    if (ChatSession *session = m_sessions.value(exten))
        session->chat->setRemoteComposing(composing);
}

bool wdgChatPanel::addMessage(const ChatMessage &msg, bool history)
{
    ChatSession *session = m_sessions.value(msg.exten);
    if (!session) {
        logLine(UNQL::LOG_CRITICAL)
            << Q_FUNC_INFO << "Message" << typeWord(msg.type) << directionWord(msg.direction) << "with party"
            << msg.exten << ", but no chat session for it was found... Maybe you forgot to add a chat session?";
        return false;
    }
    if (session->chat->findChatId(msg.id)) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat Message with id " + msg.id + " already present!";
        return false;
    }
    session->chat->addMessage(msg, history);
    touch(session);
    if (history || msg.direction != 0 || msg.type != 0)
        return true;
    ++m_totalUnread;
    setUnread(session, session->unread + 1);
    emit sigUnreadChatMessageCountChanged(m_totalUnread);
    if (session->chat->isDetached())
        QApplication::alert(session->chat, 0);
    return true;
}

bool wdgChatPanel::newMessageReceived(const ChatMessage &msg)
{
    return addMessage(msg, false);
}

bool wdgChatPanel::newHistoryMessageReceived(const ChatMessage &msg)
{
    return addMessage(msg, true);
}

void wdgChatPanel::setUnread(ChatSession *session, int unread)
{
    session->unread = unread;
    queueContactListUpdate(); // the badge
}

wdgChatPanel::ChatSession *wdgChatPanel::getChatSession(wdgChat *chat) const
{
    return chat ? m_sessions.value(chat->extension()) : nullptr;
}

wdgChatPanel::ChatSession *wdgChatPanel::senderSession() const
{
    return getChatSession(qobject_cast<wdgChat *>(sender()));
}

void wdgChatPanel::onSelectedContactChanged(QListWidgetItem *item)
{
    if (!item) {
        stkChats->setCurrentWidget(pgEmpty);
        return;
    }
    const QString exten = item->data(ExtenRole).toString();
    ChatSession *session = m_sessions.value(exten);
    if (!session) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to retrieve ChatSession for contact with exten" << exten;
        stkChats->setCurrentWidget(pgEmpty);
        return;
    }
    if (session->chat->isDetached())
        stkChats->setCurrentWidget(pgEmpty);
    else
        stkChats->setCurrentWidget(session->chat);
    session->chat->putOnTop();
}

void wdgChatPanel::onSelectedContactChangedTimer(QListWidgetItem *item)
{
    m_clickedItem = item;
    m_clickTimer.start(QApplication::doubleClickInterval());
}

void wdgChatPanel::onSelectedContactClosed(QListWidgetItem *)
{
    m_doubleClicked = true;
    stkChats->setCurrentWidget(pgEmpty);
}

void wdgChatPanel::onSelectedContactChangedTimeout()
{
    if (m_doubleClicked) {
        m_doubleClicked = false;
        return;
    }
    if (m_clickedItem && lstContacts->row(m_clickedItem) >= 0)
        onSelectedContactChanged(m_clickedItem);
}

void wdgChatPanel::onSendingMessage(const QString &exten, const QString &text)
{
    const ChatSession *session = m_sessions.value(exten);
    emit sigSendingMessage(exten, session ? session->context : QString(), text);
}

void wdgChatPanel::onStartComposing(const QString &exten)
{
    const ChatSession *session = m_sessions.value(exten);
    emit sigSendIsComposing(exten, session ? session->context : QString(), true);
}

void wdgChatPanel::onStopComposing(const QString &exten)
{
    const ChatSession *session = m_sessions.value(exten);
    emit sigSendIsComposing(exten, session ? session->context : QString(), false);
}

void wdgChatPanel::onChatDisplayed()
{
    ChatSession *session = senderSession();
    if (!session)
        return;
    m_totalUnread -= session->unread;
    setUnread(session, 0);
    emit sigUnreadChatMessageCountChanged(m_totalUnread);
    emit sigChatMessageDisplayed(session->extension, session->context);
}

void wdgChatPanel::onChatDetachRequested(bool detach)
{
    ChatSession *session = senderSession();
    if (!session)
        return;
    if (detach)
        detachChatWindow(session->extension);
    else
        attachChatWindow(session->extension);
}

void wdgChatPanel::detachChatWindow(const QString &exten)
{
    ChatSession *session = m_sessions.value(exten);
    if (!session) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Cannot detach chat window, exten" << exten << "not found!";
        return;
    }
    if (session->chat->isDetached())
        return;
    stkChats->removeWidget(session->chat);
    session->chat->hide();
    session->chat->setParent(nullptr);
    if (lstContacts->currentItem() == session->item)
        stkChats->setCurrentWidget(pgEmpty);
    session->chat->setDetached(true);
    session->chat->putOnTop();
}

void wdgChatPanel::attachChatWindow(const QString &exten)
{
    ChatSession *session = m_sessions.value(exten);
    if (!session) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Cannot attach chat window, exten" << exten << "not found!";
        return;
    }
    if (!session->chat->isDetached())
        return;
    session->chat->hide();
    stkChats->addWidget(session->chat);
    session->chat->setDetached(false);
    if (lstContacts->currentItem() == session->item) {
        stkChats->setCurrentWidget(session->chat);
        session->chat->show();
    }
}

void wdgChatPanel::closeAllDetachedWindows()
{
    const QStringList keys = m_sessions.keys();
    for (const QString &exten : keys)
        attachChatWindow(exten);
}
