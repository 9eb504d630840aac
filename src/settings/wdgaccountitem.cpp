#include "wdgaccountitem.h"
#include "ui_wdgaccountitem.h"

wdgAccountItem::wdgAccountItem(const IdentityEntry &identityEntry, QWidget *parent)
    : QWidget(parent), ui(new Ui::wdgAccountItem), entry(identityEntry)
{
    ui->setupUi(this);
    // Identity texts come from the PBX: never let a label interpret them.
    for (QLabel *label : {ui->lblAccount, ui->lblUserAgent, ui->lblDevice, ui->lblMac, ui->lblNote})
        label->setTextFormat(Qt::PlainText);
    ui->lblAccount->setText(accountName(entry));
    ui->lblUserAgent->setText(userAgentText(entry));
    ui->lblDevice->setText(deviceText(entry));
    ui->lblMac->setText(macText(entry));
    ui->lblNote->setText(entry.note);
}

wdgAccountItem::~wdgAccountItem()
{
    delete ui;
}

QString wdgAccountItem::accountName(const IdentityEntry &entry)
{
    return entry.identifier;
}

bool wdgAccountItem::isInUse(const IdentityEntry &entry)
{
    return !entry.phoneIp.isEmpty() && !entry.phoneUserAgent.isEmpty();
}

QString wdgAccountItem::userAgentText(const IdentityEntry &entry)
{
    return isInUse(entry) ? entry.phoneUserAgent : tr("(nessuno)");
}

QString wdgAccountItem::deviceText(const IdentityEntry &entry)
{
    if (entry.phoneVendor.isEmpty())
        return tr("(nessuno)");
    return tr("%1 %2").arg(entry.phoneVendor, entry.phoneModel);
}

QString wdgAccountItem::macText(const IdentityEntry &entry)
{
    if (entry.phoneVendor.isEmpty() || entry.phoneMac.isEmpty())
        return QString();
    return tr("(MAC: %1)").arg(entry.phoneMac);
}
