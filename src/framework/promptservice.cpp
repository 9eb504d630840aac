#include "promptservice.h"

#include "media/mediamodule.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QProcess>

namespace
{
PromptService *g_installed = nullptr;
}

PromptService &PromptService::instance()
{
    static DefaultPromptService defaultService;
    return g_installed ? *g_installed : defaultService;
}

void PromptService::setInstance(PromptService *service)
{
    g_installed = service;
}

QMessageBox::StandardButton PromptService::information(QWidget *parent, const QString &title, const QString &text)
{
    Message msg;
    msg.kind = Kind::Information;
    msg.title = title;
    msg.text = text;
    return message(parent, msg);
}

QMessageBox::StandardButton PromptService::warning(QWidget *parent, const QString &title, const QString &text)
{
    Message msg;
    msg.kind = Kind::Warning;
    msg.title = title;
    msg.text = text;
    return message(parent, msg);
}

QMessageBox::StandardButton PromptService::critical(QWidget *parent, const QString &title, const QString &text)
{
    Message msg;
    msg.kind = Kind::Critical;
    msg.title = title;
    msg.text = text;
    return message(parent, msg);
}

QMessageBox::StandardButton PromptService::question(QWidget *parent, const QString &title, const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    Message msg;
    msg.kind = Kind::Question;
    msg.title = title;
    msg.text = text;
    msg.buttons = buttons;
    msg.defaultButton = defaultButton;
    return message(parent, msg);
}

QMessageBox::StandardButton DefaultPromptService::message(QWidget *parent, const Message &msg)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (msg.kind) {
    case Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case Kind::Critical:
        icon = QMessageBox::Critical;
        break;
    case Kind::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox box(icon, msg.title, msg.text, msg.buttons, parent);
    box.setTextFormat(msg.format);
    if (msg.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(msg.defaultButton);
    for (auto it = msg.buttonTexts.cbegin(); it != msg.buttonTexts.cend(); ++it) {
        if (QAbstractButton *b = box.button(it.key()))
            b->setText(it.value());
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString DefaultPromptService::getText(QWidget *parent, const QString &title, const QString &label,
                                      const QString &initial, bool password, bool *ok)
{
    return QInputDialog::getText(parent, title, label, password ? QLineEdit::Password : QLineEdit::Normal, initial, ok);
}

int DefaultPromptService::execDialog(QDialog *dialog)
{
    return dialog ? dialog->exec() : int(QDialog::Rejected);
}

QString DefaultPromptService::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                              const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString DefaultPromptService::getTypedOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                                   const QString &filter)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DefaultPromptService::getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                              const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString DefaultPromptService::getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

void DefaultPromptService::showTrayMessage(QSystemTrayIcon *tray, const QString &title, const QString &text,
                                           QSystemTrayIcon::MessageIcon icon, int msecs)
{
    if (tray)
        tray->showMessage(title, text, icon, msecs);
}

void DefaultPromptService::playSound(const QString &file)
{
    // Without the media module the sound just does not play (its load
    // failure is logged once).
    if (DesklineMedia::Module *media = DesklineMedia::module())
        media->playSound(file);
}

void DefaultPromptService::execMenu(QMenu *menu, const QPoint &globalPos)
{
    menu->exec(globalPos);
}

bool DefaultPromptService::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool DefaultPromptService::startDetached(const QString &program, const QStringList &arguments,
                                         const QString &workingDirectory)
{
    return QProcess::startDetached(program, arguments, workingDirectory);
}
