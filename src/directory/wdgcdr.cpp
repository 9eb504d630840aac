#include "wdgcdr.h"

#include "widgets/customsearchlineedit.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

wdgCdr::wdgCdr(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("wdgCdr"));
    setWindowTitle(QStringLiteral("cdr"));
    setFont(QFont(QStringLiteral("Helvetica"), 9));
    auto *layout = new QVBoxLayout(this);
    auto *box = new QGroupBox(tr("Ricerca sul CDR"), this);
    box->setObjectName(QStringLiteral("bgCdrSearch"));
    auto *grid = new QGridLayout(box);
    const auto label = [&](const char *name, const QString &text, int column) {
        auto *l = new QLabel(text, box);
        l->setObjectName(QLatin1String(name));
        grid->addWidget(l, 0, column);
    };
    const auto dateEdit = [&](const char *name, int column) {
        auto *d = new QDateEdit(QDate::currentDate(), box);
        d->setObjectName(QLatin1String(name));
        d->setCalendarPopup(true);
        grid->addWidget(d, 0, column);
        return d;
    };
    label("lblDateFrom", tr("Dalla data"), 0);
    dateFrom = dateEdit("dateFrom", 1);
    label("lblDateTo", tr(" alla data"), 2);
    dateTo = dateEdit("dateTo", 3);
    label("lblCaller", tr("Contatto"), 4);
    txtCaller = new CustomSearchLineEdit(box);
    txtCaller->setObjectName(QStringLiteral("txtCaller"));
    grid->addWidget(txtCaller, 0, 5);
    layout->addWidget(box);

    stackedWidget = new QStackedWidget(this);
    stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    tvCdr = new QTreeView(stackedWidget);
    tvCdr->setObjectName(QStringLiteral("tvCdr"));
    tvCdr->setContextMenuPolicy(Qt::CustomContextMenu);
    tvCdr->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvCdr->setAlternatingRowColors(true);
    tvCdr->setIconSize(QSize(20, 20));
    tvCdr->setRootIsDecorated(false);
    tvCdr->setSortingEnabled(true);
    tvCdr->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    emptyCdrTxt = new QTextEdit(stackedWidget);
    emptyCdrTxt->setObjectName(QStringLiteral("emptyCdrTxt"));
    emptyCdrTxt->setReadOnly(true);
    emptyCdrTxt->setFont(QFont(QStringLiteral("Helvetica"), 9));
    emptyCdrTxt->setPlainText(tr("Non sono presenti chiamate nell'intervallo temporale selezionato."));
    stackedWidget->addWidget(tvCdr);
    stackedWidget->addWidget(emptyCdrTxt);
    stackedWidget->setCurrentIndex(1);
    layout->addWidget(stackedWidget);

    connect(dateFrom, &QDateEdit::dateChanged, this, &wdgCdr::dateFromChanged);
    connect(dateTo, &QDateEdit::dateChanged, this, &wdgCdr::dateToChanged);
    connect(txtCaller, &QLineEdit::textChanged, this, &wdgCdr::textChanged);
}

QDate wdgCdr::getFromDate() const
{
    return dateFrom->date();
}

QDate wdgCdr::getToDate() const
{
    return dateTo->date();
}

void wdgCdr::setCompleter(QCompleter *completer)
{
    txtCaller->setCompleter(completer);
}

void wdgCdr::changeTableView(int page)
{
    if (page == 0 || page == 1)
        stackedWidget->setCurrentIndex(page);
}

void wdgCdr::dateFromChanged(const QDate &date)
{
    emit sigDateFromChanged(date);
}

void wdgCdr::dateToChanged(const QDate &date)
{
    emit sigDateToChanged(date);
}

void wdgCdr::textChanged(const QString &text)
{
    emit sigTextChanged(text);
}

void wdgCdr::paintEvent(QPaintEvent *)
{
    // Nothing of its own: the children draw themselves.
}
