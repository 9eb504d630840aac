// Editor of a personal contact of the phone book. The main window creates it
// once and reuses it for every contact edit.
#pragma once

#include <QDialog>

class DlgContactEdit : public QDialog
{
    Q_OBJECT
public:
    explicit DlgContactEdit(QWidget *parent = nullptr);
};
