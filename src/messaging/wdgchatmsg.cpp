#include "wdgchatmsg.h"
#include "widgets/peerlabel.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QSpacerItem>
#include <QStyle>

#include <algorithm>

namespace
{
const char *const BubbleStyle =
    "#wdgChatMsg\n{\n    background: transparent;\n}\n\n#wdgBaloon\n{\n    border: 1px solid "
    "#cdcdcd;\n    border-radius: 5px;\n}\n#wdgBaloon[msgtype=\"local\"]\n{\n    "
    "background-color: rgb(255, 255, 255);\n}\n\n#wdgBaloon[msgtype=\"remote\"]\n{\n    "
    "background-color: rgb(216, 243, 254);\n}\n\n#lblSender\n{\ncolor: rgb(0, 145, "
    "255);\n}\n\n#lblTime\n{\ncolor: darkgray;\n}\n\n#lblMsg\n{\ncolor: black;\n}";
const int FarBottom = 9999998;
} // namespace

wdgChatMsg::wdgChatMsg(const QString &sender, const QString &text, const QDateTime &time, int kind, const QString &id,
                       QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_id(id), m_kind(kind)
{
    setObjectName(QStringLiteral("wdgChatMsg"));
    resize(223, 51);
    setWindowTitle(QStringLiteral("Form"));
    m_outer = new QHBoxLayout(this);
    m_outer->setSpacing(0);
    m_outer->setContentsMargins(3, 3, 3, 3);
    m_balloon = new QWidget(this);
    m_balloon->setObjectName(QStringLiteral("wdgBaloon"));
    m_inner = new QGridLayout(m_balloon);
    m_inner->setSpacing(5);
    m_inner->setContentsMargins(5, 5, 5, 5);
    m_sender = new QLabel(m_balloon);
    m_sender->setObjectName(QStringLiteral("lblSender"));
    m_time = new QLabel(m_balloon);
    m_time->setObjectName(QStringLiteral("lblTime"));
    m_time->setMinimumWidth(35);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_msg = new QLabel(m_balloon);
    m_msg->setObjectName(QStringLiteral("lblMsg"));
    m_msg->setWordWrap(true);
    // Everything a bubble shows comes from the peer or the PBX: never markup.
    for (QLabel *label : {m_sender, m_time, m_msg})
        label->setTextFormat(Qt::PlainText);
    PeerLabel::bound(m_sender);
    m_inner->addWidget(m_sender, 0, 0);
    m_inner->addWidget(m_time, 0, 1);
    m_inner->addWidget(m_msg, 1, 0, 1, 2);
    if (kind == 0)
        m_outer->addSpacerItem(new QSpacerItem(SpacerWidth, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    else
        m_hasSpacer = false;
    m_outer->addWidget(m_balloon);

    m_sender->setText(sender);
    m_time->setText(timeText(time));
    m_text = text;
    showText();
    m_msg->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_balloon->setProperty("msgtype", kind == 0 ? QStringLiteral("local") : QStringLiteral("remote"));
    // Inside a conversation the bubble takes its look from the conversation's
    // style sheet: a sheet of its own for every bubble costs more than the
    // rest of the bubble.
    if (!parent)
        setStyleSheet(styleSheetText());
}

QString wdgChatMsg::styleSheetText()
{
    return QLatin1String(BubbleStyle);
}

QString wdgChatMsg::shownText(const QString &text, bool *cut)
{
    int end = std::min<int>(text.size(), MaxShownChars);
    int lines = 0;
    for (int i = 0; i < end; ++i) {
        if (text.at(i) == QLatin1Char('\n') && ++lines == MaxShownLines) {
            end = i;
            break;
        }
    }
    if (end < text.size() && end > 0 && text.at(end - 1).isHighSurrogate())
        --end; // never half a character
    if (cut)
        *cut = end < text.size();
    return end < text.size() ? text.left(end) : text;
}

QString wdgChatMsg::timeText(const QDateTime &time)
{
    if (time.isValid())
        return time.date().toString(Qt::TextDate) + QLatin1Char(' ') + time.time().toString(Qt::TextDate);
    const QDateTime now = QDateTime::currentDateTime();
    return now.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + now.toString(QStringLiteral("hh:mm"));
}

QString wdgChatMsg::exportText(const QString &sender, const QString &time, const QString &text)
{
    return QStringLiteral("%1\t\t\t\t%2\n%3\n").arg(sender, time, text);
}

void wdgChatMsg::showText()
{
    bool cut = false;
    QString shown = shownText(m_text, &cut);
    if (cut) {
        shown += QChar(0x2026);
        shown += QLatin1Char('\n');
        shown += tr("(messaggio troncato: il testo completo si trova salvando la chat)");
    }
    m_msg->setText(shown);
}

QString wdgChatMsg::getMessage() const
{
    return m_text;
}

QString wdgChatMsg::shownMessage() const
{
    return m_msg->text();
}

void wdgChatMsg::updateMessage(const QString &text)
{
    if (m_text.isEmpty())
        m_text = text;
    else
        m_text += QLatin1Char('\n') + text;
    showText();
    updateWidgetSize(m_lastWidth);
}

void wdgChatMsg::updateWidgetSize(int width)
{
    m_lastWidth = width;
    const QMargins outer = m_outer->contentsMargins();
    const QMargins inner = m_inner->contentsMargins();
    const int balloonWidth =
        width - outer.left() - outer.right() - m_outer->spacing() - (m_hasSpacer ? SpacerWidth : 0);
    const int senderHeight =
        QFontMetrics(m_sender->font())
            .boundingRect(QRect(0, 0, balloonWidth, FarBottom + 1), Qt::AlignLeft, m_sender->text())
            .height();
    const int fixed = inner.top() + inner.bottom() + m_inner->verticalSpacing() + senderHeight + 5;
    const int msgWidth = balloonWidth - inner.left() - inner.right();
    const int msgHeight =
        QFontMetrics(m_msg->font())
            .boundingRect(QRect(0, 0, msgWidth, FarBottom - fixed + 1), Qt::AlignLeft | Qt::TextWordWrap, m_msg->text())
            .height();
    const int balloonHeight = fixed + msgHeight;
    m_bubbleSize = QSize(balloonWidth, balloonHeight);
    m_widgetSize = QSize(width, balloonHeight + outer.top() + outer.bottom());
    resize(m_widgetSize);
    emit sigSizeChanged(m_widgetSize);
}

QString wdgChatMsg::toString() const
{
    return exportText(m_sender->text(), m_time->text(), m_text);
}

void wdgChatMsg::resizeEvent(QResizeEvent *event)
{
    if (event->size().width() != m_lastWidth)
        updateWidgetSize(event->size().width());
    event->accept();
}
