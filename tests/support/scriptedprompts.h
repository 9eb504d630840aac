// A PromptService for tests: answers come from a script, and everything the
// user would have seen is recorded. Unscripted questions get their default
// button (or the first of Ok, Yes, No, Cancel offered), so nothing blocks.
#pragma once

#include "framework/promptservice.h"

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QQueue>
#include <QUrl>

#include <functional>

class ScriptedPrompts : public PromptService
{
public:
    struct Shown {
        Message message;
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
    };
    struct TrayMessage {
        QString title;
        QString text;
        QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
        int msecs = 0;
    };

    // Installs itself for its lifetime.
    ScriptedPrompts();
    ~ScriptedPrompts() override;

    // Queue answers, consumed in order.
    void answerNext(QMessageBox::StandardButton button) { m_buttons.enqueue(button); }
    void textNext(const QString &text, bool ok = true) { m_texts.enqueue({text, ok}); }
    void fileNext(const QString &path) { m_files.enqueue(path); }
    void setStartDetachedResult(bool ok) { m_startResult = ok; }
    // Answers the next dialog run through execDialog(): `answer` gets the real
    // dialog, shown, and drives it (types, clicks its buttons); the dialog's
    // result is returned. Unscripted dialogs are rejected without being shown.
    void dialogNext(std::function<void(QDialog *)> answer) { m_dialogs.enqueue(std::move(answer)); }

    QList<Shown> shown;                          // every message box, in order
    QList<QPair<QString, QString>> textRequests; // (title, label)
    QStringList fileRequests;                    // captions of file dialogs
    QStringList dialogRequests;                  // object names of dialogs run through execDialog()
    QList<TrayMessage> trayMessages;
    QStringList sounds;
    QList<QUrl> urls;
    QList<QPair<QString, QStringList>> programs;
    QStringList programDirs; // the working directory of each program started
    // Every context menu run, not shown: a test triggers its entries.
    QList<QPointer<QMenu>> menus;

    // Texts of every message shown, for short assertions.
    QStringList texts() const;
    void clear();

    QMessageBox::StandardButton message(QWidget *parent, const Message &msg) override;
    QString getText(QWidget *parent, const QString &title, const QString &label, const QString &initial, bool password,
                    bool *ok) override;
    int execDialog(QDialog *dialog) override;
    QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir) override;
    void execMenu(QMenu *menu, const QPoint &globalPos) override;
    void showTrayMessage(QSystemTrayIcon *tray, const QString &title, const QString &text,
                         QSystemTrayIcon::MessageIcon icon, int msecs) override;
    void playSound(const QString &file) override;
    bool openUrl(const QUrl &url) override;
    bool startDetached(const QString &program, const QStringList &arguments,
                       const QString &workingDirectory = QString()) override;

private:
    QQueue<QMessageBox::StandardButton> m_buttons;
    QQueue<QPair<QString, bool>> m_texts;
    QQueue<QString> m_files;
    QQueue<std::function<void(QDialog *)>> m_dialogs;
    bool m_startResult = true;
};
