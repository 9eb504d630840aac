// One row of the settings dialog's account list: a PBX account (identity) of
// the user, the device configured on it and the terminal that uses it.
#pragma once

#include "ctilibtypes.h"

#include <QWidget>

namespace Ui
{
class wdgAccountItem;
}

class wdgAccountItem : public QWidget
{
    Q_OBJECT

public:
    explicit wdgAccountItem(const IdentityEntry &entry, QWidget *parent = nullptr);
    ~wdgAccountItem() override;

    const IdentityEntry &identity() const { return entry; }

    // The account name the settings select an identity by.
    static QString accountName(const IdentityEntry &entry);
    // An identity is in use when a terminal is registered on it: both its
    // registration text and its user-agent text are set.
    static bool isInUse(const IdentityEntry &entry);
    // Texts of the row's value labels.
    static QString userAgentText(const IdentityEntry &entry);
    static QString deviceText(const IdentityEntry &entry);
    static QString macText(const IdentityEntry &entry);

private:
    Ui::wdgAccountItem *ui = nullptr;
    IdentityEntry entry;
};
