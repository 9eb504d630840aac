#include "wdgcdrfilter.h"

#include "msettingsstore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

wdgCdrFilter::wdgCdrFilter(MSettingsStore *settings, QWidget *parent)
    : QWidget(parent)
    , settings(settings)
{
    setObjectName(QStringLiteral("wdgCdrFilter"));
    const struct {
        const char *name;
        const char *text;
    } bits[] = {
        {"chkIncoming", QT_TR_NOOP("Entranti")},  {"chkOutgoing", QT_TR_NOOP("Uscenti")},
        {"chkInternal", QT_TR_NOOP("Interna")},   {"chkExternal", QT_TR_NOOP("Esterna")},
        {"chkService", QT_TR_NOOP("Servizio")},   {"chkDirect", QT_TR_NOOP("Diretta")},
        {"chkGroup", QT_TR_NOOP("Gruppo")},       {"chkQueue", QT_TR_NOOP("Coda")},
        {"chkAnswered", QT_TR_NOOP("Risposte")},  {"chkNotAnswered", QT_TR_NOOP("Non risposte")},
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
    auto *apply = new QPushButton(tr("Applica"), this);
    apply->setObjectName(QStringLiteral("pbApply"));
    layout->addWidget(apply, (index + 1) / 2, 1);
    connect(apply, &QPushButton::clicked, this, &wdgCdrFilter::onApply);

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
    for (int bit = 0; bit < boxes.size(); ++bit)
        boxes.at(bit)->setChecked(value & (1 << bit));
}

void wdgCdrFilter::disableQueueGroupCheckboxes()
{
    for (QCheckBox *box : qAsConst(boxes)) {
        if (box->objectName() == QLatin1String("chkGroup") || box->objectName() == QLatin1String("chkQueue"))
            box->setEnabled(false);
    }
}

void wdgCdrFilter::enableQueueGroupCheckboxes()
{
    for (QCheckBox *box : qAsConst(boxes)) {
        if (box->objectName() == QLatin1String("chkGroup") || box->objectName() == QLatin1String("chkQueue"))
            box->setEnabled(true);
    }
}

void wdgCdrFilter::onApply()
{
    const MctiConfig::MCdrFilterFlags flags = checkedFlags();
    if (settings)
        settings->setCdrFilterValue(flags);
    emit sigCdrFilterChanged(flags);
}
