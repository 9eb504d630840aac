#include "dlgauthentication.h"

#include "settings/msettingsstore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

dlgAuthentication::dlgAuthentication(MSettingsStore *settingsStore, QWidget *parent)
    : QDialog(parent), settings(settingsStore)
{
    setObjectName(QStringLiteral("dlgAuthentication"));
    resize(470, 120);
    setWindowTitle(tr("Authentication"));
    auto *formLayout = new QFormLayout(this);
    formLayout->setObjectName(QStringLiteral("formLayout"));
    auto *lblUsername = new QLabel(tr("Username"), this);
    lblUsername->setObjectName(QStringLiteral("lblUsername"));
    txtUsername = new QLineEdit(this);
    txtUsername->setObjectName(QStringLiteral("txtUsername"));
    auto *lblPwd = new QLabel(tr("Password"), this);
    lblPwd->setObjectName(QStringLiteral("lblPwd"));
    txtPwd = new QLineEdit(this);
    txtPwd->setObjectName(QStringLiteral("txtPwd"));
    txtPwd->setEchoMode(QLineEdit::Password);
    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    formLayout->addRow(lblUsername, txtUsername);
    formLayout->addRow(lblPwd, txtPwd);
    formLayout->addRow(QString(), buttonBox);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &dlgAuthentication::onChangeSettings);
    // Cancel leaves the fields as configured.
    connect(buttonBox, &QDialogButtonBox::rejected, this, &dlgAuthentication::onCancelRequest);
}

void dlgAuthentication::restoreParameters()
{
    txtUsername->setText(settings ? settings->getMUsername() : QString());
    txtPwd->clear();
}

void dlgAuthentication::onChangeSettings()
{
    if (settings) {
        const QString user = txtUsername->text();
        const QString password = txtPwd->text();
        const bool userChanged = user != settings->getMUsername();
        if (userChanged)
            settings->setCtiUsername(user);
        const bool passwordChanged = !password.isEmpty() && password != settings->getMPassword();
        if (passwordChanged)
            settings->setCtiPassword(password);
        if (userChanged || passwordChanged) {
            emit settings->sigRestartRequested(true);
            hide();
        }
    }
    accept();
}

void dlgAuthentication::onCancelRequest()
{
    restoreParameters();
    reject();
}
