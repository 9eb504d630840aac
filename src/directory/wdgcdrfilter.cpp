#include "wdgcdrfilter.h"

#include "settings/msettingsstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

wdgCdrFilter::wdgCdrFilter(MSettingsStore *settings, QWidget *parent) : QWidget(parent), settings(settings)
{
    setObjectName(QStringLiteral("wdgCdrFilter"));
    setWindowTitle(tr("Filtro Registro"));
    setFixedSize(450, 360);
    const struct {
        const char *name;
        const char *text;
    } bits[] = {
        {"incoming_cB", QT_TR_NOOP("Entranti")},     {"outcoming_cB", QT_TR_NOOP("Uscenti")},
        {"int_source_cB", QT_TR_NOOP("Interna")},    {"ext_source_cB", QT_TR_NOOP("Esterna")},
        {"other_source_cB", QT_TR_NOOP("Servizio")}, {"direct_cB", QT_TR_NOOP("Diretta")},
        {"group_cB", QT_TR_NOOP("Gruppo")},          {"queue_cB", QT_TR_NOOP("Coda")},
        {"answered_cB", QT_TR_NOOP("Risposte")},     {"notAnswered_cB", QT_TR_NOOP("Non risposte")},
    };
    // Four groups in a column: direction, origin and destination of incoming
    // calls, outcome; the boxes of each group in bit order.
    const struct {
        const char *name;
        const char *title;
        int first;
        int last;
    } groups[] = {
        {"direction_groupBox", QT_TR_NOOP("Direzione"), Incoming, Outgoing},
        {"type_groupBox", QT_TR_NOOP("Origine (chiamate entranti)"), Internal, Service},
        {"type_groupBox_2", QT_TR_NOOP("Destinazione (chiamate entranti)"), Direct, Queue},
        {"status_groupBox", QT_TR_NOOP("Stato"), Answered, NotAnswered},
    };
    auto *layout = new QVBoxLayout(this);
    for (const auto &group : groups) {
        auto *box = new QGroupBox(tr(group.title), this);
        box->setObjectName(QLatin1String(group.name));
        auto *row = new QHBoxLayout(box);
        for (int b = group.first; b <= group.last; ++b) {
            auto *check = new QCheckBox(tr(bits[b].text), box);
            check->setObjectName(QLatin1String(bits[b].name));
            row->addWidget(check);
            boxes.append(check);
        }
        row->addStretch();
        layout->addWidget(box);
    }
    QHBoxLayout *buttons = nullptr;
    const auto button = [&](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
        return b;
    };
    buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    connect(button("selectAllButton", tr("Mostra Tutto")), &QPushButton::clicked, this, [this] { setAll(true); });
    connect(button("unselectAllButton", tr("Nascondi Tutto")), &QPushButton::clicked, this, [this] { setAll(false); });
    connect(button("missedCallsButton", tr("Solo Perse")), &QPushButton::clicked, this, &wdgCdrFilter::onlyMissed);
    buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    buttons->addStretch();
    connect(button("restoreButton", tr("Ripristina")), &QPushButton::clicked, this, &wdgCdrFilter::showSettingsFilter);
    connect(button("okButton", tr("Applica")), &QPushButton::clicked, this, &wdgCdrFilter::onApply);
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
