#include "dlgperiod.h"

#include "framework/promptservice.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

dlgPeriod::dlgPeriod(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPeriod"));
    setWindowTitle(tr("Periodo"));
    auto *grid = new QGridLayout(this);
    auto *title = new QLabel(tr("CONFIGURA PERIODO"), this);
    title->setAlignment(Qt::AlignCenter);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Da:"), this), 1, 0);
    dateTimeFrom = new QDateTimeEdit(this);
    dateTimeFrom->setObjectName(QStringLiteral("dateTimeFrom"));
    dateTimeFrom->setDateTimeRange(QDateTime(QDate(2009, 1, 1), QTime(0, 0, 0)),
                                   QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)));
    dateTimeFrom->setMinimumWidth(133);
    dateTimeFrom->setDisplayFormat(QStringLiteral("dd/MM/yyyy hh:mm"));
    dateTimeFrom->setCalendarPopup(true);
    grid->addWidget(dateTimeFrom, 1, 1);
    grid->addWidget(new QLabel(tr("A:"), this), 2, 0);
    dateTimeTo = new QDateTimeEdit(this);
    dateTimeTo->setObjectName(QStringLiteral("dateTimeTo"));
    dateTimeTo->setDateRange(QDate(2009, 1, 1), QDate(2099, 12, 31));
    dateTimeTo->setMinimumWidth(133);
    dateTimeTo->setDisplayFormat(QStringLiteral("dd/MM/yyyy hh:mm"));
    dateTimeTo->setCalendarPopup(true);
    grid->addWidget(dateTimeTo, 2, 1);
    auto *buttons = new QHBoxLayout;
    btSave = new QPushButton(tr("Salva"), this);
    btSave->setObjectName(QStringLiteral("btSave"));
    btCancel = new QPushButton(tr("Annulla"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    buttons->addWidget(btSave);
    buttons->addWidget(btCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    resize(175, 114);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btSave, &QPushButton::clicked, this, &dlgPeriod::validate);
}

void dlgPeriod::showEvent(QShowEvent *event)
{
    // The design's size; the fonts of the style sheet may ask for more.
    resize(size().expandedTo(sizeHint()));
    QDialog::showEvent(event);
}

void dlgPeriod::setPeriods(const QDateTime &from, const QDateTime &to)
{
    dateTimeFrom->setDateTime(from);
    dateTimeTo->setDateTime(to);
}

QDateTime dlgPeriod::from() const
{
    return dateTimeFrom->dateTime();
}

QDateTime dlgPeriod::to() const
{
    return dateTimeTo->dateTime();
}

void dlgPeriod::validate()
{
    if (from() < to()) {
        accept();
        return;
    }
    prompts().warning(this, tr("Dati incongruenti"),
                      tr("La data di partenza del periodo di osservazione deve essere inferiore a quella di fine "
                         "del periodo."));
}
