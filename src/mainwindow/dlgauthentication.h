// The small dialog that asks for the PBX user name and password again after
// the PBX refused them. New credentials are stored and the program restarts
// to log in with them.
#pragma once

#include <QDialog>

class MSettingsStore;
class QDialogButtonBox;
class QLineEdit;

class dlgAuthentication : public QDialog
{
    Q_OBJECT
public:
    dlgAuthentication(MSettingsStore *settings, QWidget *parent = nullptr);

    // The configured user name in the field, the password field empty.
    void restoreParameters();

public slots:
    // Ok: stores what changed; a change asks for the restart.
    void onChangeSettings();
    void onCancelRequest();

private:
    MSettingsStore *settings = nullptr;
    QLineEdit *txtUsername = nullptr;
    QLineEdit *txtPwd = nullptr;
    QDialogButtonBox *buttonBox = nullptr;
};
