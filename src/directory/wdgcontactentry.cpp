#include "wdgcontactentry.h"

#include "contactentrytypes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace T = ContactEntryTypes;

namespace
{
const char *const RowStyle = "QWidget#WdgContactEntry { background: white; }"
                             "QLineEdit { border: 1px solid rgb(180, 180, 180); }"
                             "QWidget#WdgContactEntry[error=\"1\"] QLineEdit { border: 1px solid red; }";
}

WdgContactEntry::WdgContactEntry(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WdgContactEntry"));
    setAttribute(Qt::WA_StyledBackground);
    cbType = new QComboBox(this);
    cbType->setObjectName(QStringLiteral("cbType"));
    for (int t = 0; t < T::Count; ++t)
        cbType->addItem(T::label(t), t);
    lblCompany = new QLabel(tr("Contatto"), this);
    lblCompany->setObjectName(QStringLiteral("lblCompany"));
    txtValue = new QLineEdit(this);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    txtValue->setPlaceholderText(tr("es. 123 o ") + QStringLiteral("mario.rossi@example.com"));
    txtValue->setMaxLength(256);
    btRemove = new QPushButton(QStringLiteral("-"), this);
    btRemove->setObjectName(QStringLiteral("btRemove"));
    btRemove->setFixedWidth(28);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cbType);
    layout->addWidget(lblCompany);
    layout->addWidget(txtValue, 1);
    layout->addWidget(btRemove);
    setStyleSheet(QLatin1String(RowStyle));
    connect(btRemove, &QPushButton::clicked, this, &WdgContactEntry::sigRemove);
    connect(cbType, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        // Another type picked: the row no longer stands for the kept kind.
        if (hasKept && cbType->currentIndex() != cbType->count() - 1)
            dropKeptKind();
        onChanged();
    });
    connect(txtValue, &QLineEdit::textEdited, this, &WdgContactEntry::onChanged);
}

void WdgContactEntry::dropKeptKind()
{
    hasKept = false;
    kept = ContactEntry();
    const QSignalBlocker block(cbType);
    const int current = cbType->currentIndex();
    cbType->removeItem(T::Count);
    cbType->setCurrentIndex(current);
}

void WdgContactEntry::onChanged()
{
    touched = true;
    unsetError();
}

void WdgContactEntry::setContactEntry(const ContactEntry &entry)
{
    clear();
    const int type = T::ctypeForContact(entry);
    if (type == T::None && !(entry.kind.isEmpty() && entry.subtype.isEmpty())) {
        kept = entry;
        hasKept = true;
        const QSignalBlocker block(cbType);
        cbType->addItem(
            tr("Altro (%1)").arg(entry.subtype.isEmpty() ? entry.kind : entry.kind + QLatin1Char('/') + entry.subtype),
            QVariant());
        cbType->setCurrentIndex(cbType->count() - 1);
    } else {
        const QSignalBlocker block(cbType);
        cbType->setCurrentIndex(type == T::None ? 0 : type);
    }
    // The loaded entry's own kind and subtype stay with it while the type is
    // not changed (a preferred flag too).
    if (type != T::None) {
        kept = entry;
        hasKept = false;
    }
    txtValue->setText(entry.value);
    loaded = !entry.value.isEmpty();
    touched = false;
}

int WdgContactEntry::currentType() const
{
    if (hasKept && cbType->currentIndex() == cbType->count() - 1)
        return T::None;
    return T::indexToCType(cbType->currentIndex());
}

ContactEntry WdgContactEntry::getContactEntry() const
{
    const QString value = txtValue->text().trimmed();
    if (hasKept && currentType() == T::None) {
        ContactEntry e = kept;
        e.value = value;
        return e;
    }
    const int type = currentType();
    ContactEntry e = T::contactFromCTypeAndValue(type, value);
    if (type != T::None && T::ctypeForContact(kept) == type) {
        e.kind = kept.kind;
        e.subtype = kept.subtype;
        e.preferred = kept.preferred;
    }
    return e;
}

void WdgContactEntry::clear()
{
    if (hasKept)
        dropKeptKind();
    kept = ContactEntry();
    {
        const QSignalBlocker block(cbType);
        cbType->setCurrentIndex(0);
    }
    txtValue->clear();
    loaded = false;
    touched = false;
    unsetError();
}

bool WdgContactEntry::validate()
{
    if (loaded && !touched && !txtValue->text().trimmed().isEmpty())
        return true;
    const bool ok = T::isValidValue(currentType(), txtValue->text().trimmed(), hasKept);
    if (!ok)
        setError();
    return ok;
}

void WdgContactEntry::setError()
{
    if (error)
        return;
    error = true;
    setProperty("error", QStringLiteral("1"));
    setStyleSheet(styleSheet());
}

void WdgContactEntry::unsetError()
{
    if (!error)
        return;
    error = false;
    setProperty("error", QVariant());
    setStyleSheet(styleSheet());
}

void WdgContactEntry::setRemovable(bool disabled)
{
    btRemove->setEnabled(!disabled);
}

int WdgContactEntry::ctypeForContact(const ContactEntry &entry)
{
    return T::ctypeForContact(entry);
}

QString WdgContactEntry::cvalueForContact(const ContactEntry &entry)
{
    return T::cvalueForContact(entry);
}

ContactEntry WdgContactEntry::contactFromCTypeAndValue(int type, const QString &value)
{
    return T::contactFromCTypeAndValue(type, value);
}

int WdgContactEntry::indexFromCType(int type)
{
    return T::indexFromCType(type);
}

int WdgContactEntry::indexToCType(int index)
{
    return T::indexToCType(index);
}
