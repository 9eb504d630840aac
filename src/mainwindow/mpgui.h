// The main window: the program's central object, built by the entry with the
// configuration record, started once, and destroyed and built again when a
// restart is asked for.
#pragma once

#include "mcticonfig.h"

#include <QMainWindow>
#include <QString>

class QTranslator;
struct WriterConfig;

class MPGui : public QMainWindow {
    Q_OBJECT
public:
    // Exit code of the event loop that asks the entry for a new main window.
    static constexpr int RestartExitCode = -123456789;

    explicit MPGui(const MctiConfig &config, QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~MPGui() override;

    // Second start-up stage, called once by the entry after construction.
    void start();

    // Creates the program-wide file logger once per process ("mphone.log" in
    // `dir`, which ends with a separator); null `config` takes the built-in one.
    void initLogger(const QString &name, const QString &dir, WriterConfig *config);

    QString getWindowTitleText() const { return windowTitleText; }
    bool isRestartRequested() const { return restartRequested; }

signals:
    void sigWindowStateChanged(Qt::WindowStates state);
    void sigClosingIncomingLineWidget(qlonglong lineId);
    void sigClosingActiveLineWidget(qlonglong lineId);
    void sigAboutToExit();
    void sigDisconnected();
    void sigCheckUpdates();
    void sigStartUpgrade();

public slots:
    // Ends the event loop: with -123456789 when a restart is required,
    // normally otherwise. False when the user declined to quit.
    bool quitApplication(bool isRestartRequired = false, bool askToUser = true);
    void onLanguageChangeRequested(int language);

    void onUpdatesAvailable(const QString &version);
    void onNoUpdatesFound();
    void onUpdatesCanceled();
    void onUpdatesError(const QString &error);

private:
    bool confirmQuit();

    bool restartRequested = false;
    QTranslator *translator = nullptr;
    int appMode = 0;
    QString windowTitleText;
};
