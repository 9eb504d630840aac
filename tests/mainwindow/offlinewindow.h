// A main window that is not logged in, for the window tests: a fresh settings
// directory, scripted prompts, and the configuration of an operating mode.
#pragma once

#include "app/mcticonfig.h"
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"

#include <QTemporaryDir>

#include <memory>

// Given values are written to a new settings file, so the settings dialog
// does not open for a first run.
inline MctiConfig configForMode(int mode)
{
    MctiConfig config;
    config.pbxAddress = QStringLiteral("127.0.0.1:9");
    config.username = QStringLiteral("demo");
    config.appMode = mode;
    config.startupMode = mode;
    return config;
}

// Set up in a test's init() and reset in its cleanup().
struct OfflineWindowEnv {
    OfflineWindowEnv()
    {
        MSETTINGS::setSettingsDirPath(dir.path());
        MSETTINGS::setFontSizeIncrement(0);
        MSETTINGS::setLongApplicationName(QString());
    }

    // A window built and started in `mode`, never connected (port 9).
    static std::unique_ptr<MPGui> startedWindow(int mode = 0)
    {
        auto w = std::make_unique<MPGui>(configForMode(mode));
        w->start();
        return w;
    }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
};
