// The call-history filter window: ten check boxes, one per bit of the
// call-history filter kept by the settings store, the quick choices "Mostra
// Tutto", "Nascondi Tutto", "Solo Perse", "Ripristina", and "Applica", which
// stores the boxes, announces the new filter and closes the window.
#pragma once

#include "app/mcticonfig.h"

#include "ui_wdgcdrfilter.h"

#include <QList>
#include <QWidget>

class MSettingsStore;
class QCheckBox;

class wdgCdrFilter : public QWidget, private Ui::wdgCdrFilter
{
    Q_OBJECT

public:
    explicit wdgCdrFilter(MSettingsStore *settings, QWidget *parent = nullptr);

    // The filter the boxes show now.
    MctiConfig::MCdrFilterFlags checkedFlags() const;
    bool queueGroupFiltersAvailable() const { return queueGroupAvailable; }

signals:
    void sigCdrFilterChanged(MctiConfig::MCdrFilterFlags flags);
    // The filter window was closed.
    void sigCdrFilterClosed();

public slots:
    // Shows the stored filter on the boxes.
    void updateGui();
    // Shows the window in front, restored and active.
    void putOnTop();
    // The PBX does not report group and queue calls: their boxes go, and so
    // do their bits from the stored filter.
    void disableQueueGroupCheckboxes();
    // They are back: "Gruppo" and "Coda" can be used again.
    void enableQueueGroupCheckboxes();

private slots:
    void on_selectAllButton_clicked();
    void on_unselectAllButton_clicked();
    void on_missedCallsButton_clicked();
    void on_restoreButton_clicked();
    // Stores the boxes, emits sigCdrFilterChanged() and closes the window.
    void on_okButton_clicked();
    void on_incoming_cB_stateChanged(int state);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum Box { Incoming, Outgoing, Internal, External, Service, Direct, Group, Queue, Answered, NotAnswered };
    void setAll(bool on);
    // A group or queue box while the PBX does not offer those filters.
    bool isUnavailable(int box) const { return (box == Group || box == Queue) && !queueGroupAvailable; }

    MSettingsStore *settings = nullptr;
    QList<QCheckBox *> boxes; // bit 0 first
    bool queueGroupAvailable = true;
};
