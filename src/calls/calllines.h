// The call lines of the main window: the dial field and call button, the four
// line buttons, and the state that call handling keeps.
#pragma once

#include "pbxsessionrules.h"

#include <QList>
#include <QObject>
#include <QTimer>

class CustomLineEdit;
class QPushButton;
class QWidget;

class CallLines : public QObject
{
    Q_OBJECT
public:
    // The main form's widgets this object drives.
    struct Widgets {
        CustomLineEdit *edtCallerNumber = nullptr;
        QPushButton *btnStartAudioCall = nullptr;
        QList<QPushButton *> lineButtons; // btnLine1 to btnLine4
        QWidget *wdgLines = nullptr;      // their container, restyled on change
    };
    explicit CallLines(const Widgets &widgets, QObject *parent = nullptr);

    // Every line button idle and none current.
    void updateLinesButtonStatus();

public slots:
    void onSessionStarted(const PbxSession::SessionStart &session);
    void onSessionEnded();

signals:
    // The clipboard has not changed for a while (copy-to-call).
    void clipboardInactive();

private:
    Widgets ui;
    // Answer values that call handling keeps per call kind.
    int answerQueueExternal = 0;
    int answerDirectExternal = 0;
    int answerLocal = 0;
    int answerTransferReturn = 0;
    QTimer clipboardInactivityTimer;
};
