// The call-history filter window: ten check boxes, one per bit of the
// call-history filter kept by the settings dialog. "Applica" stores the
// boxes in the settings dialog and announces the new filter.
#pragma once

#include "mcticonfig.h"

#include <QList>
#include <QWidget>

class MSettingsStore;
class QCheckBox;

class wdgCdrFilter : public QWidget
{
    Q_OBJECT

public:
    explicit wdgCdrFilter(MSettingsStore *settings, QWidget *parent = nullptr);

    // The filter the boxes show now.
    MctiConfig::MCdrFilterFlags checkedFlags() const;

signals:
    void sigCdrFilterChanged(MctiConfig::MCdrFilterFlags flags);
    // The filter window was closed.
    void sigCdrFilterClosed();

public slots:
    // Shows the filter in force of the settings dialog on the boxes.
    void showSettingsFilter();
    // Stores the boxes in the settings dialog and emits sigCdrFilterChanged().
    void onApply();
    // The PBX reports calls through a queue or a group in the call history
    // only from a given firmware on: the two boxes are off limits before it.
    void disableQueueGroupCheckboxes();
    void enableQueueGroupCheckboxes();

private:
    MSettingsStore *settings = nullptr;
    QList<QCheckBox *> boxes; // bit 0 first
};
