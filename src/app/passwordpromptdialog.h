// Asks for the PBX password when the configuration file given with -c holds
// none. The caller takes whatever was typed, whichever button closed it.
#pragma once

#include <QDialog>

namespace Ui
{
class dlgPasswordPrompt;
}

class PasswordPromptDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PasswordPromptDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~PasswordPromptDialog() override;

    // The line edit's text as typed.
    QString getInsertedPassword() const;

private:
    Ui::dlgPasswordPrompt *ui;
};
