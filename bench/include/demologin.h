// The demo user's main window, CTI only, logged in to a simulator on
// loopback and shown: the start of every benchmark of the real window.
#pragma once

#include "app/mcticonfig.h"
#include "framework/simpleobfuscator.h"
#include "guistall.h"
#include "mainwindow/mpgui.h"

#include <cstdio>

namespace benchgui
{

// Null (with the reason on standard error) when the log-in did not come
// within `timeoutMs`; the window is the caller's.
inline MPGui *loggedInDemoWindow(int port, int timeoutMs = 20000)
{
    MctiConfig config;
    config.pbxAddress.set(QStringLiteral("127.0.0.1:%1").arg(port));
    config.username.set(QStringLiteral("demo"));
    config.password.set(SimpleObfuscator::hide(QStringLiteral("demo")));
    config.appMode.set(0);
    auto *w = new MPGui(config);
    w->start();
    if (!waitUntil([&] { return w->isSessionUp(); }, timeoutMs)) {
        std::fprintf(stderr, "log-in failed\n");
        delete w;
        return nullptr;
    }
    w->show();
    return w;
}

} // namespace benchgui
