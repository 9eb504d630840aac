// One message bubble of a conversation: sender, time and text. Own messages
// are indented on the left; the party's start at the left edge. A bubble lays
// out only the start of a very long message (MaxShownChars characters,
// MaxShownLines lines) with a note that it was cut; the whole text stays in
// the bubble for copying out, saving and mailing.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QWidget>

class QHBoxLayout;
class QGridLayout;
class QLabel;

class wdgChatMsg : public QWidget
{
    Q_OBJECT
public:
    static constexpr int SpacerWidth = 30;
    static constexpr int MaxShownChars = 4000;
    static constexpr int MaxShownLines = 60;

    // The start of `text` a bubble shows; `cut` tells whether anything was left out.
    static QString shownText(const QString &text, bool *cut = nullptr);
    // The time as a bubble shows it (the current time for an invalid one).
    static QString timeText(const QDateTime &time);
    // The look of a bubble, for the style sheet of the widget that holds it.
    static QString styleSheetText();
    // One message as saved and mailed.
    static QString exportText(const QString &sender, const QString &time, const QString &text);

    // kind 0: own message; any other value: the party's.
    wdgChatMsg(const QString &sender, const QString &text, const QDateTime &time, int kind, const QString &id,
               QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // The whole text of the message.
    QString getMessage() const;
    // The text laid out in the bubble.
    QString shownMessage() const;
    QString getId() const { return m_id; }
    int kind() const { return m_kind; }
    void updateMessage(const QString &text);
    void updateWidgetSize(int width);
    QString toString() const;
    QSize widgetSize() const { return m_widgetSize; }
    QSize bubbleSize() const { return m_bubbleSize; }

signals:
    void sigSizeChanged(QSize size);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showText();

    QString m_id;
    QString m_text;
    int m_kind = 0;
    QSize m_widgetSize{-1, -1};
    QSize m_bubbleSize{-1, -1};
    int m_lastWidth = 0;
    QHBoxLayout *m_outer = nullptr;
    QGridLayout *m_inner = nullptr;
    QWidget *m_balloon = nullptr;
    QLabel *m_sender = nullptr;
    QLabel *m_time = nullptr;
    QLabel *m_msg = nullptr;
    bool m_hasSpacer = true;
};
