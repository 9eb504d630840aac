#include "dlgcontactedit.h"

DlgContactEdit::DlgContactEdit(QWidget *parent) : QDialog(parent) {}
