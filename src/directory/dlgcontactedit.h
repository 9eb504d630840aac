// Editor of a personal contact of the phone book: names, organisation,
// department and any number of number or address rows. It works on a copy
// of the record; the caller sends what getContact() gives after acceptance.
// The main window creates it once and reuses it for every contact edit.
#pragma once

#include "ctilibtypes.h"

#include <QDialog>
#include <QList>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class WdgContactEntry;

class DlgContactEdit : public QDialog
{
    Q_OBJECT
public:
    explicit DlgContactEdit(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void setContact(const PhoneBookEntry &contact);
    PhoneBookEntry getContact() const { return contact; }
    void clear();
    void setTitle(const QString &title);
    // Adds a "Principale" number row (phone/main) holding `number`.
    void setPhoneNumber(const QString &number);

    // The rows in display order.
    QList<WdgContactEntry *> entryRows() const;

public slots:
    void addNewContactEntry();
    void removeContactEntry();
    void onSaveContact();

private:
    void updateGui();
    WdgContactEntry *createRow();
    void updateFirstRowRemoveButton();

    PhoneBookEntry contact;
    QGroupBox *groupBox = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtSurname = nullptr;
    QLineEdit *txtCompany = nullptr;
    QLineEdit *txtDivision = nullptr;
    QVBoxLayout *rowsLayout = nullptr;
};
