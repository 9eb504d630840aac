#include "wdgcdrfilter.h"

#include "settings/msettingsstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>

wdgCdrFilter::wdgCdrFilter(MSettingsStore *settings, QWidget *parent) : QWidget(parent), settings(settings)
{
    setObjectName(QStringLiteral("wdgCdrFilter"));
    setWindowTitle(tr("Filtro Registro"));
    const struct {
        const char *name;
        const char *text;
    } bits[] = {
        {"chkIncoming", QT_TR_NOOP("Entranti")}, {"chkOutgoing", QT_TR_NOOP("Uscenti")},
        {"chkInternal", QT_TR_NOOP("Interna")},  {"chkExternal", QT_TR_NOOP("Esterna")},
        {"chkService", QT_TR_NOOP("Servizio")},  {"chkDirect", QT_TR_NOOP("Diretta")},
        {"chkGroup", QT_TR_NOOP("Gruppo")},      {"chkQueue", QT_TR_NOOP("Coda")},
        {"chkAnswered", QT_TR_NOOP("Risposte")}, {"chkNotAnswered", QT_TR_NOOP("Non risposte")},
    };
    auto *layout = new QGridLayout(this);
    int index = 0;
    for (const auto &bit : bits) {
        auto *box = new QCheckBox(tr(bit.text), this);
        box->setObjectName(QLatin1String(bit.name));
        layout->addWidget(box, index / 2, index % 2);
        boxes.append(box);
        ++index;
    }
    int row = (index + 1) / 2;
    const auto button = [&](const char *name, const QString &text, int column) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        layout->addWidget(b, row, column);
        return b;
    };
    connect(button("selectAllButton", tr("Mostra Tutto"), 0), &QPushButton::clicked, this, [this] { setAll(true); });
    connect(button("unselectAllButton", tr("Nascondi Tutto"), 1), &QPushButton::clicked, this,
            [this] { setAll(false); });
    ++row;
    connect(button("missedCallsButton", tr("Solo Perse"), 0), &QPushButton::clicked, this, &wdgCdrFilter::onlyMissed);
    connect(button("restoreButton", tr("Ripristina"), 1), &QPushButton::clicked, this,
            &wdgCdrFilter::showSettingsFilter);
    ++row;
    connect(button("pbApply", tr("Applica"), 1), &QPushButton::clicked, this, &wdgCdrFilter::onApply);
    connect(boxes.at(Incoming), &QCheckBox::toggled, this, &wdgCdrFilter::onIncomingToggled);

    showSettingsFilter();
}

MctiConfig::MCdrFilterFlags wdgCdrFilter::checkedFlags() const
{
    int sum = 0;
    for (int bit = 0; bit < boxes.size(); ++bit) {
        if (boxes.at(bit)->isChecked())
            sum += 1 << bit;
    }
    return MctiConfig::MCdrFilterFlags(sum);
}

void wdgCdrFilter::showSettingsFilter()
{
    const int value = settings ? int(settings->getCdrFilterValue()) : int(MctiConfig::CdrAll);
    boxes.at(Incoming)->setChecked(value & 0x1);
    onIncomingToggled(value & 0x1);
    for (int bit = 1; bit < boxes.size(); ++bit)
        boxes.at(bit)->setChecked(value & (1 << bit));
}

void wdgCdrFilter::onIncomingToggled(bool on)
{
    for (int b = Internal; b <= Queue; ++b) {
        const bool queueGroup = b == Group || b == Queue;
        if (!on) {
            boxes.at(b)->setChecked(false);
            boxes.at(b)->setEnabled(false);
        } else {
            boxes.at(b)->setEnabled(!queueGroup || queueGroupAvailable);
        }
    }
}

void wdgCdrFilter::setAll(bool on)
{
    for (int b = 0; b < boxes.size(); ++b) {
        if ((b == Group || b == Queue) && !queueGroupAvailable)
            continue;
        boxes.at(b)->setChecked(on);
    }
}

void wdgCdrFilter::onlyMissed()
{
    boxes.at(Incoming)->setChecked(true);
    boxes.at(Outgoing)->setChecked(false);
    for (int b = Internal; b <= Queue; ++b) {
        if ((b == Group || b == Queue) && !queueGroupAvailable)
            continue;
        boxes.at(b)->setChecked(true);
    }
    boxes.at(Answered)->setChecked(false);
    boxes.at(NotAnswered)->setChecked(true);
}

void wdgCdrFilter::putOnTop()
{
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void wdgCdrFilter::onApply()
{
    const MctiConfig::MCdrFilterFlags flags = checkedFlags();
    if (settings)
        settings->setCdrFilterValue(flags);
    emit sigCdrFilterChanged(flags);
    close();
}

void wdgCdrFilter::disableQueueGroupCheckboxes()
{
    queueGroupAvailable = false;
    for (int b : {int(Group), int(Queue)}) {
        boxes.at(b)->setEnabled(false);
        boxes.at(b)->setChecked(false);
    }
    const int stored = settings ? int(settings->getCdrFilterValue()) : int(MctiConfig::CdrAll);
    const MctiConfig::MCdrFilterFlags value(stored & ~0xc0);
    if (settings)
        settings->setCdrFilterValue(value);
    emit sigCdrFilterChanged(value);
}

void wdgCdrFilter::enableQueueGroupCheckboxes()
{
    queueGroupAvailable = true;
    if (boxes.at(Incoming)->isChecked()) {
        boxes.at(Group)->setEnabled(true);
        boxes.at(Queue)->setEnabled(true);
    }
}

void wdgCdrFilter::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit sigCdrFilterClosed();
}
