#include "mainformtabchain.h"

#include "ui_wdgveloraphone.h"

#include <QTabBar>

void relinkMainFormTabArea(Ui::wdgVeloraPhone &ui)
{
    QWidget *const stops[] = {ui.tvFavourites,  ui.txtExtSearch, ui.tvExtensions, ui.txtContactsSearch,
                              ui.btnAddContact, ui.tvContacts,   ui.txtCdrSearch, ui.cdrDateFrom,
                              ui.cdrDateTo,     ui.tvCdr,        ui.qscrollArea};
    QWidget *previous = ui.tabContactsWidget->tabBar();
    for (QWidget *stop : stops) {
        QWidget::setTabOrder(previous, stop);
        previous = stop;
    }
}
