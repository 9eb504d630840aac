// One number or address row of the contact editor: a type box, the value and
// a remove button. A row loaded from the PBX keeps the kind and subtype it
// came with until the user picks another type.
#pragma once

#include "ctilibtypes.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class WdgContactEntry : public QWidget
{
    Q_OBJECT
public:
    explicit WdgContactEntry(QWidget *parent = nullptr);

    void setContactEntry(const ContactEntry &entry);
    // The row as an entry: the loaded kind and subtype while the type was not
    // changed, else those of the type picked; empty without a type.
    ContactEntry getContactEntry() const;
    void clear();
    // Checks the value against the type; a failing row shows its error. A
    // row loaded from the record and left as it was passes with any value
    // the PBX gave it (numbers written with blanks, for instance).
    bool validate();
    void setError();
    void unsetError();
    bool hasError() const { return error; }
    // true disables the remove button, false enables it.
    void setRemovable(bool disabled);

    // The type the box shows (ContactEntryTypes::Type); None for a kept kind.
    int currentType() const;

    static int ctypeForContact(const ContactEntry &entry);
    static QString cvalueForContact(const ContactEntry &entry);
    static ContactEntry contactFromCTypeAndValue(int type, const QString &value);
    static int indexFromCType(int type);
    static int indexToCType(int index);

signals:
    void sigRemove();

private:
    void onChanged();
    void dropKeptKind();

    QComboBox *cbType = nullptr;
    QLabel *lblCompany = nullptr;
    QLineEdit *txtValue = nullptr;
    QPushButton *btRemove = nullptr;
    bool error = false;
    // The kind and subtype a loaded entry of a kind the box does not offer
    // keeps; shown as an extra item at the end of the box.
    ContactEntry kept;
    bool hasKept = false;
    bool loaded = false;  // filled by setContactEntry()
    bool touched = false; // type or value changed since
};
