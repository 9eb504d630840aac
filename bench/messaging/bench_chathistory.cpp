// Chat history benchmark:
//   - 10,000 PBX history messages stored in one batch (and written back)  <= 200 ms
//   - reading 100,000 stored messages                                     <= 300 ms
//   - replaying a month of history (10,000 messages over 50 conversations)
//     into the chat panel                                                 <= 500 ms,
//     no single stretch of the replay holding the GUI thread above 50 ms
//   - opening and closing a 50 MB history                                 <= 1 s each
// Each figure is the fastest of a few runs; the program exits non-zero when
// one misses its target.
//
//     bench_chathistory
#include "messaging/chatcontroller.h"
#include "desklineresources.h"
#include "messaging/mpchatsqlite.h"
#include "framework/promptservice.h"
#include "messaging/wdgchatpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

ChatMessageList makeMessages(int count, int parties, const QDateTime &start, int stepMs, const QString &prefix,
                             int bodyChars = 60)
{
    ChatMessageList list;
    list.reserve(count);
    const QString body = QString(bodyChars, QLatin1Char('m'));
    for (int i = 0; i < count; ++i) {
        ChatMessage m;
        m.id = prefix + QString::number(i);
        m.exten = QString::number(300 + i % parties);
        m.body = body;
        m.direction = i % 3 == 0 ? 1 : 0;
        m.type = 2;
        m.time = start.addMSecs(qint64(i) * stepMs);
        list << m;
    }
    return list;
}

QList<QDateTime> timesOf(const ChatMessageList &list)
{
    QList<QDateTime> t;
    t.reserve(list.size());
    for (const ChatMessage &m : list)
        t << m.time;
    return t;
}

bool report(const char *what, double ms, double target)
{
    const bool ok = ms <= target;
    std::printf("%-58s %8.1f ms  (target %6.0f ms)  %s\n", what, ms, target, ok ? "ok" : "MISSED");
    return ok;
}

class QuietHost : public ChatHost
{
public:
    bool findExtension(const QString &, Contact *) const override { return false; }
    bool updateExtensionPresence(const QString &, int, const QString &) override { return false; }
    void clearExtensionPresences() override {}
    bool isMainWindowActive() const override { return true; }
    bool hasActiveCall() const override { return false; }
    void alertMainWindow() override {}
    void showChatTab() override {}
    void setChatConnectedMark(bool) override {}
    void setOwnPresence(int, const QString &) override {}
    void setChatTabBlink(bool) override {}
    QSystemTrayIcon *trayIcon() const override { return nullptr; }
};

class NullLink : public ChatCtiLink
{
public:
    void sendChatMessage(const QString &, const QString &) override {}
    void sendChatMessageDisplayed(const QString &) override {}
    void sendChatOpenConversation(const QString &) override {}
    void sendChatCloseConversation(const QString &) override {}
    void sendChatStartComposing(const QString &) override {}
    void sendChatStopComposing(const QString &) override {}
    void setClientPresence(CTILIB::ChatPresence, const QString &) override {}
    void getChatHistory(const QDateTime &) override {}
    QString ownExtension() const override { return QString(); }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initDesklineResources();
    bool ok = true;
    const QDateTime monthAgo = QDateTime::currentDateTime().addDays(-29);

    // 1. Batch store.
    {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            QTemporaryDir dir;
            MPChatSqlite store(dir.filePath("chat.db"), "u", "p");
            const ChatMessageList list = makeMessages(10000, 50, monthAgo, 250000, QStringLiteral("b%1-").arg(run));
            const QList<QDateTime> times = timesOf(list);
            QElapsedTimer t;
            t.start();
            if (!store.insertChatMessages(list, times))
                return 2;
            best = std::min(best, t.nsecsElapsed() / 1e6);
        }
        ok &= report("store 10,000 history messages in one batch", best, 200);
    }

    // 2. Read 100,000 and 4. open/close of a 50 MB history.
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("chat.db");
        {
            MPChatSqlite store(path, "u", "p");
            if (!store.insertChatMessages(makeMessages(100000, 50, monthAgo, 25000, "r"),
                                          timesOf(makeMessages(100000, 50, monthAgo, 25000, "r"))))
                return 2;
        }
        double best = 1e9;
        int count = 0;
        {
            MPChatSqlite store(path, "u", "p");
            for (int run = 0; run < 3; ++run) {
                QElapsedTimer t;
                t.start();
                store.readDBChat();
                best = std::min(best, t.nsecsElapsed() / 1e6);
                count = store.messageList.size();
            }
        }
        if (count != 100000)
            return 2;
        ok &= report("read 100,000 stored messages", best, 300);

        // Grow the file to about 50 MB with other users' rows (not read back).
        {
            MPChatSqlite filler(path, "other", "p");
            int round = 0;
            while (QFileInfo(path).size() < 50LL * 1024 * 1024 && round < 40) {
                const ChatMessageList list =
                    makeMessages(50000, 50, monthAgo, 50000, QStringLiteral("f%1-").arg(round++), 200);
                if (!filler.insertChatMessages(list, timesOf(list)))
                    return 2;
            }
        }
        std::printf("history file: %.1f MB\n", QFileInfo(path).size() / (1024.0 * 1024.0));
        double bestOpen = 1e9;
        double bestClose = 1e9;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer t;
            t.start();
            auto *store = new MPChatSqlite(path, "u", "p");
            bestOpen = std::min(bestOpen, t.nsecsElapsed() / 1e6);
            if (!store->isOpen())
                return 2;
            t.restart();
            delete store;
            bestClose = std::min(bestClose, t.nsecsElapsed() / 1e6);
        }
        ok &= report("open a 50 MB history", bestOpen, 1000);
        ok &= report("close a 50 MB history", bestClose, 1000);
    }

    // 3. Replay a month into the panel.
    {
        QTemporaryDir dir;
        MPChatSqlite store(dir.filePath("chat.db"), "u", "p");
        const ChatMessageList list = makeMessages(10000, 50, monthAgo, 250000, "p");
        if (!store.insertChatMessages(list, timesOf(list)))
            return 2;
        double best = 1e9;
        double bestStall = 1e9;
        for (int run = 0; run < 3; ++run) {
            wdgChatPanel panel;
            panel.resize(900, 600);
            panel.show();
            QuietHost host;
            NullLink link;
            ChatController ctl(&link, &store, &panel, &host, PromptService::instance());
            QElapsedTimer t;
            QElapsedTimer step;
            t.start();
            step.start();
            ctl.onChatConnected();
            double stall = step.nsecsElapsed() / 1e6;
            while (ctl.isReplaying()) {
                step.restart();
                app.processEvents();
                stall = std::max(stall, step.nsecsElapsed() / 1e6);
            }
            best = std::min(best, t.nsecsElapsed() / 1e6);
            bestStall = std::min(bestStall, stall);
            if (panel.sessionOrder().size() != 50)
                return 2;
        }
        ok &= report("replay 10,000 messages / 50 conversations", best, 500);
        ok &= report("longest GUI stall during the replay", bestStall, 50);
    }
    return ok ? 0 : 1;
}
