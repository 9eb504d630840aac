#include "dlgredirect.h"

#include "ui_dlgredirect.h"

DlgRedirect::DlgRedirect(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags), ui(new Ui::dlgRedirect)
{
    ui->setupUi(this);
}

DlgRedirect::~DlgRedirect()
{
    delete ui;
}

QLineEdit *DlgRedirect::numberEdit() const
{
    return ui->edtTxt;
}
