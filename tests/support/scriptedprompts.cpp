#include "scriptedprompts.h"

#include <QDialog>

ScriptedPrompts::ScriptedPrompts()
{
    PromptService::setInstance(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    PromptService::setInstance(nullptr);
}

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.message.text;
    return out;
}

void ScriptedPrompts::clear()
{
    shown.clear();
    textRequests.clear();
    fileRequests.clear();
    trayMessages.clear();
    sounds.clear();
    urls.clear();
    programs.clear();
    menus.clear();
    m_buttons.clear();
    m_texts.clear();
    m_files.clear();
    dialogRequests.clear();
    m_dialogs.clear();
}

int ScriptedPrompts::execDialog(QDialog *dialog)
{
    if (!dialog)
        return QDialog::Rejected;
    dialogRequests.append(dialog->objectName());
    if (m_dialogs.isEmpty())
        return QDialog::Rejected;
    // Shown window-modal rather than through exec(), so the script runs here
    // and the dialog's own buttons decide its result.
    dialog->setResult(QDialog::Rejected);
    dialog->open();
    m_dialogs.dequeue()(dialog);
    if (dialog->isVisible())
        dialog->reject();
    return dialog->result();
}

QMessageBox::StandardButton ScriptedPrompts::message(QWidget *, const Message &msg)
{
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    if (!m_buttons.isEmpty()) {
        answer = m_buttons.dequeue();
    } else if (msg.defaultButton != QMessageBox::NoButton) {
        answer = msg.defaultButton;
    } else {
        for (QMessageBox::StandardButton b :
             {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
            if (msg.buttons & b) {
                answer = b;
                break;
            }
        }
    }
    shown.append({msg, answer});
    return answer;
}

QString ScriptedPrompts::getText(QWidget *, const QString &title, const QString &label, const QString &initial, bool,
                                 bool *ok)
{
    textRequests.append({title, label});
    if (m_texts.isEmpty()) {
        if (ok)
            *ok = false;
        return initial;
    }
    const auto next = m_texts.dequeue();
    if (ok)
        *ok = next.second;
    return next.first;
}

QString ScriptedPrompts::getOpenFileName(QWidget *, const QString &caption, const QString &, const QString &)
{
    fileRequests << caption;
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedPrompts::getSaveFileName(QWidget *, const QString &caption, const QString &, const QString &)
{
    fileRequests << caption;
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedPrompts::getExistingDirectory(QWidget *, const QString &caption, const QString &)
{
    fileRequests << caption;
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

void ScriptedPrompts::showTrayMessage(QSystemTrayIcon *, const QString &title, const QString &text,
                                      QSystemTrayIcon::MessageIcon icon, int msecs)
{
    trayMessages.append({title, text, icon, msecs});
}

void ScriptedPrompts::playSound(const QString &file)
{
    sounds << file;
}

void ScriptedPrompts::execMenu(QMenu *menu, const QPoint &)
{
    menus << QPointer<QMenu>(menu);
}

bool ScriptedPrompts::openUrl(const QUrl &url)
{
    urls << url;
    return true;
}

bool ScriptedPrompts::startDetached(const QString &program, const QStringList &arguments,
                                    const QString &workingDirectory)
{
    programs.append({program, arguments});
    programDirs.append(workingDirectory);
    return m_startResult;
}
