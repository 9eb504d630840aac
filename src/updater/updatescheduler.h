// When the main window looks for a new version and fetches the PBX's
// rebranding pack: the two timers and their rules.
#pragma once

#include "mainwindow/session/sessionrules.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class MSettingsStore;
class PbxSession;

class UpdateScheduler : public QObject
{
    Q_OBJECT
public:
    // `session`: its start and end reach this object; it outlives it.
    UpdateScheduler(PbxSession &session, MSettingsStore *settings, QObject *parent = nullptr);

    // After the window is shown: a check soon when the settings ask for one
    // at start-up, otherwise the periodic check.
    void setupUpdates();
    // (Re)arms the periodic check from the settings' period; none when the
    // period is below one minute.
    void startCheckUpdatesTimer();
    // Schedules a fetch of the rebranding pack in about 30 s, unless one is waiting.
    void refreshRebrandingPackAfterAWhile();

public slots:
    void onSessionStarted(const SessionRules::SessionStart &session);
    void onSessionEnded();

signals:
    void checkUpdatesDue();
    void rebrandingDue();

private:
    QPointer<MSettingsStore> settings;
    QTimer rebrandingTimer;
    QTimer updateCheckTimer;
    QTimer startupCheckTimer; // the one check soon after start, when asked for
};
