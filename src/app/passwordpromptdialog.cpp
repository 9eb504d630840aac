#include "passwordpromptdialog.h"

#include "ui_passwordpromptdialog.h"

PasswordPromptDialog::PasswordPromptDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), ui(new Ui::dlgPasswordPrompt)
{
    ui->setupUi(this);
    // The prompt is fixed text of ours; never interpret anything else as markup.
    ui->lblPassPrompt->setTextFormat(Qt::RichText);
}

PasswordPromptDialog::~PasswordPromptDialog()
{
    delete ui;
}

QString PasswordPromptDialog::getInsertedPassword() const
{
    return ui->txtPassPrompt->text();
}
