// Widget-free rules of the main window's outward look: which tray icon and
// tool tip a state gets, the service suffixes of the tool tip and the title,
// the font sizes of the large-font view by screen width and the support
// e-mail link.
#pragma once

#include "settings/msettings.h"

#include <QString>
#include <QUrl>

namespace WindowRules
{
// Least window heights of the slim and the extended mode.
constexpr int SlimMinimumHeight = 391;
constexpr int ExtendedMinimumHeight = 618;

// What the tray shows depends on these, read from the subsystems.
struct TrayState {
    bool dnd = false;
    bool forward = false;
    bool allQueuesPaused = false;
    bool someQueuesPaused = false;
    MSETTINGS::AppMode mode = MSETTINGS::AppModeCtiOnly;
    bool ctiConnected = false;
    bool engineExists = false;  // softphone engine
    bool sipRegistered = false; // its account exists and is registered
};

enum class TrayIcon { Dnd, Paused, Forward, Registered, Unregistered, DisconnectedSoftphone, Disconnected };

struct TrayLook {
    TrayIcon icon = TrayIcon::Disconnected;
    QString toolTip;
};

// Adds or removes the forward, do-not-disturb and pause suffixes of `toolTip`;
// each suffix appears at most once.
QString toolTipWithSuffixes(QString toolTip, const TrayState &state);

// The tray's icon and tool tip: a service or pause state keeps the suffixed
// tool tip, any other state replaces it with `titleText` and the state.
TrayLook trayLook(const QString &currentToolTip, const TrayState &state, const QString &titleText);

// The title up to its first " - ", then the forward target while forward is
// on and " - DND attivo" while do-not-disturb is on.
QString windowTitle(const QString &currentTitle, bool forward, const QString &forwardTarget, bool dnd);

struct ViewMetrics {
    QString largeFont;     // replaces %F in the style sheet
    QString smallFont;     // replaces %S
    int rowHeight = 37;    // list rows and search boxes
    int numberHeight = 40; // the dial field
    int searchHeight = 25;
};

// Sizes of the large-font view for a screen that wide.
ViewMetrics largeFontMetrics(int screenWidth);
// Sizes of the normal view.
ViewMetrics normalMetrics();
// The large-font style sheet with its two size placeholders filled in.
QString fillLargeFontSheet(QString sheet, const ViewMetrics &metrics);
// The window's least height in the large-font view: what its content asks
// for, as far as the screen's available height (less the frame) allows, and
// never below the mode's least height. availableHeight <= 0: no screen.
int largeFontMinimumHeight(int contentHeight, int availableHeight, int frameHeight, int modeMinimum);

// "mailto:" link that sends the log file to support, with every value encoded.
QUrl supportMailUrl(const QString &address, const QString &productName, const QString &logPath);

} // namespace WindowRules
