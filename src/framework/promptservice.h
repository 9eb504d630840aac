// Every modal question, message box, input and file dialog of the program, and
// the tray messages, sounds and URL/program launches, go through one
// PromptService. The default one shows real dialogs; tests install a scripted
// one (tests/support/scriptedprompts.h) that answers without blocking and
// records what the user would have seen.
#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QUrl>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

class PromptService
{
public:
    enum class Kind { Information, Warning, Critical, Question };

    struct Message {
        Kind kind = Kind::Information;
        QString title;
        QString text;
        // Rich-text messages render markup; everything else is shown as plain text.
        Qt::TextFormat format = Qt::PlainText;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // Own labels for standard buttons ("Salva e riavvia" on Yes, ...).
        QMap<QMessageBox::StandardButton, QString> buttonTexts;
    };

    virtual ~PromptService() = default;

    // Shows a message box and returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget *parent, const Message &msg) = 0;

    // Asks for a line of text; `ok` tells whether the user accepted.
    virtual QString getText(QWidget *parent, const QString &title, const QString &label, const QString &initial,
                            bool password, bool *ok) = 0;
    // Runs one of the program's own modal dialogs (built and owned by the
    // caller) and returns its result code (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog *dialog) = 0;
    virtual QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
    virtual QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
    // A file to read whose name the user may also type: unlike
    // getOpenFileName() a name that does not exist is handed back, so the
    // caller's own error for it is what the user sees.
    virtual QString getTypedOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                         const QString &filter)
    {
        return getOpenFileName(parent, caption, dir, filter);
    }
    virtual QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir) = 0;
    // Runs a context menu at a global position until the user picks an entry
    // or dismisses it (the entry's action is triggered as usual).
    virtual void execMenu(QMenu *menu, const QPoint &globalPos) = 0;

    virtual void showTrayMessage(QSystemTrayIcon *tray, const QString &title, const QString &text,
                                 QSystemTrayIcon::MessageIcon icon, int msecs) = 0;
    virtual void playSound(const QString &file) = 0;
    virtual bool openUrl(const QUrl &url) = 0;
    // Starts a program detached; arguments are passed as a list, never through
    // a shell. An empty working directory keeps the program's own.
    virtual bool startDetached(const QString &program, const QStringList &arguments,
                               const QString &workingDirectory = QString()) = 0;

    // Convenience wrappers over message().
    QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text);
    QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text);
    QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text);
    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // The service in use; the default one when none was installed.
    static PromptService &instance();
    // Installs `service` (not owned); null restores the default one.
    static void setInstance(PromptService *service);
};

// Shortcut for PromptService::instance().
inline PromptService &prompts()
{
    return PromptService::instance();
}

// Real dialogs.
class DefaultPromptService : public PromptService
{
public:
    QMessageBox::StandardButton message(QWidget *parent, const Message &msg) override;
    QString getText(QWidget *parent, const QString &title, const QString &label, const QString &initial, bool password,
                    bool *ok) override;
    int execDialog(QDialog *dialog) override;
    QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getTypedOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
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
};
