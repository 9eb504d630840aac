#include "dlgcontactedit.h"

#include "app/globallogger.h"
#include "contactentrytypes.h"
#include "framework/promptservice.h"
#include "wdgcontactentry.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DlgContactEdit::DlgContactEdit(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    setObjectName(QStringLiteral("dlgContactEdit"));
    setWindowIcon(QIcon(QStringLiteral(":/images/veloraCTI.png")));
    setStyleSheet(QStringLiteral("QDialog#dlgContactEdit { background: white; }"
                                 "QLineEdit { border: 1px solid rgb(180, 180, 180); }"));
    groupBox = new QGroupBox(tr("Aggiungi nuovo contatto"), this);
    groupBox->setObjectName(QStringLiteral("groupBox"));
    const auto field = [this](const char *name) {
        auto *edit = new QLineEdit(groupBox);
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(128);
        return edit;
    };
    txtName = field("txtName");
    txtSurname = field("txtSurname");
    txtCompany = field("txtCompany");
    txtDivision = field("txtDivision");
    auto *form = new QFormLayout;
    const auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, groupBox);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    form->addRow(label("lblName", tr("Nome (*)")), txtName);
    form->addRow(label("lblSurname", tr("Cognome (*)")), txtSurname);
    form->addRow(label("lblCompany", tr("Ente")), txtCompany);
    form->addRow(label("lblDivision", tr("Reparto")), txtDivision);
    auto *add = new QPushButton(QStringLiteral("+"), groupBox);
    add->setObjectName(QStringLiteral("btAddContactEntry"));
    add->setFixedWidth(28);
    rowsLayout = new QVBoxLayout;
    rowsLayout->setObjectName(QStringLiteral("contactEntryListVerticalLayout"));
    auto *groupLayout = new QVBoxLayout(groupBox);
    groupLayout->addLayout(form);
    auto *addRow = new QHBoxLayout;
    addRow->addStretch();
    addRow->addWidget(add);
    groupLayout->addLayout(addRow);
    groupLayout->addLayout(rowsLayout);
    groupLayout->addStretch();

    auto *cancel = new QPushButton(tr("Annulla"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    auto *save = new QPushButton(tr("Salva"), this);
    save->setObjectName(QStringLiteral("btSave"));
    save->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    auto *main = new QVBoxLayout(this);
    main->addWidget(groupBox);
    main->addLayout(buttons);
    setTitle(tr("Aggiungi nuovo contatto"));
    resize(480, 360);

    connect(save, &QPushButton::clicked, this, &DlgContactEdit::onSaveContact);
    connect(cancel, &QPushButton::clicked, this, &DlgContactEdit::reject);
    connect(add, &QPushButton::clicked, this, &DlgContactEdit::addNewContactEntry);
    updateGui();
}

void DlgContactEdit::setContact(const PhoneBookEntry &entry)
{
    contact = entry;
    updateGui();
}

void DlgContactEdit::clear()
{
    contact = PhoneBookEntry();
    updateGui();
}

void DlgContactEdit::setTitle(const QString &title)
{
    groupBox->setTitle(title);
    setWindowTitle(title);
}

void DlgContactEdit::setPhoneNumber(const QString &number)
{
    if (number.isEmpty())
        return;
    ContactEntry e;
    e.kind = QStringLiteral("phone");
    e.subtype = QStringLiteral("main");
    e.value = number;
    contact.contacts.append(e);
    ContactEntryTypes::recomputeSummary(contact);
    updateGui();
}

QList<WdgContactEntry *> DlgContactEdit::entryRows() const
{
    QList<WdgContactEntry *> rows;
    for (int i = 0; i < rowsLayout->count(); ++i) {
        if (auto *row = qobject_cast<WdgContactEntry *>(rowsLayout->itemAt(i)->widget()))
            rows.append(row);
    }
    return rows;
}

void DlgContactEdit::updateGui()
{
    while (QLayoutItem *item = rowsLayout->takeAt(0)) {
        if (QWidget *w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    txtName->setText(contact.firstName);
    txtSurname->setText(contact.lastName);
    txtCompany->setText(contact.company);
    txtDivision->setText(contact.department);
    for (const ContactEntry &e : qAsConst(contact.contacts))
        createRow()->setContactEntry(e);
    updateFirstRowRemoveButton();
}

WdgContactEntry *DlgContactEdit::createRow()
{
    auto *row = new WdgContactEntry(this);
    connect(row, &WdgContactEntry::sigRemove, this, &DlgContactEdit::removeContactEntry);
    rowsLayout->addWidget(row);
    return row;
}

void DlgContactEdit::addNewContactEntry()
{
    createRow();
    updateFirstRowRemoveButton();
}

void DlgContactEdit::updateFirstRowRemoveButton()
{
    QList<WdgContactEntry *> rows = entryRows();
    if (rows.isEmpty())
        rows.append(createRow());
    rows.first()->setRemovable(rows.size() == 1);
}

void DlgContactEdit::removeContactEntry()
{
    auto *row = qobject_cast<WdgContactEntry *>(sender());
    if (!row || rowsLayout->indexOf(row) < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Got invalid sender! Expecting to be a WdgContactEntry";
        return;
    }
    rowsLayout->removeWidget(row);
    row->hide();
    row->deleteLater();
    updateFirstRowRemoveButton();
}

void DlgContactEdit::onSaveContact()
{
    if (txtName->text().trimmed().isEmpty() || txtSurname->text().trimmed().isEmpty()) {
        prompts().warning(this, tr("Dati mancanti"),
                          tr("Per salvare il contatto è necessario riempire i campi obbligatori."));
        return;
    }
    bool allValid = true;
    const QList<WdgContactEntry *> rows = entryRows();
    for (WdgContactEntry *row : rows)
        allValid = row->validate() && allValid;
    if (!allValid) {
        prompts().warning(this, tr("Errore di inserimento"),
                          tr("Il valore di contatto inserito non è valido.\nPrego correggere il valore."));
        return;
    }
    // A display name that was made of the names follows them.
    const QString oldNames = QStringLiteral("%1 %2").arg(contact.firstName, contact.lastName).trimmed();
    const bool derivedName = contact.displayName.trimmed().isEmpty() || contact.displayName.trimmed() == oldNames;
    contact.firstName = txtName->text().trimmed();
    contact.lastName = txtSurname->text().trimmed();
    if (derivedName)
        contact.displayName = QStringLiteral("%1 %2").arg(contact.firstName, contact.lastName).trimmed();
    contact.company = txtCompany->text().trimmed();
    contact.department = txtDivision->text().trimmed();
    contact.contacts.clear();
    for (WdgContactEntry *row : rows) {
        const ContactEntry e = row->getContactEntry();
        if (!e.kind.isEmpty())
            contact.contacts.append(e);
    }
    // The record's summary fields follow its entries, so that the PBX gets
    // a record that agrees with itself.
    ContactEntryTypes::recomputeSummary(contact);
    accept();
}
