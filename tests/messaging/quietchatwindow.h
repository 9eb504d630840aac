// The chat's side of a window that is not there: no number is an extension,
// no call is up, nothing outside the chat panel shows anything.
#pragma once

#include "messaging/chatcontroller.h"
#include "messaging/chatextensiondirectory.h"

struct QuietChatWindow : ChatHost, ChatExtensionDirectory {
    bool findExtension(const QString &, Contact *) const override { return false; }
    bool updateExtensionPresence(const QString &, int, const QString &) override { return false; }
    void clearExtensionPresences() override {}
    bool isMainWindowActive() const override { return false; }
    bool hasActiveCall() const override { return false; }
    void alertMainWindow() override {}
    void showChatTab() override {}
    void setChatConnectedMark(bool) override {}
    void setOwnPresence(int, const QString &) override {}
    void setChatTabBlink(bool) override {}
    QSystemTrayIcon *trayIcon() const override { return nullptr; }
};
