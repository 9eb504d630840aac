#include "wdgchatpanel.h"

#include <QVBoxLayout>

wdgChatPanel::wdgChatPanel(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
}

void wdgChatPanel::enableChatWindows(bool enable)
{
    m_enabled = enable;
    setEnabled(enable);
}

void wdgChatPanel::deleteAllChatSession()
{
    emit sigUnreadChatMessageCountChanged(0);
}

void wdgChatPanel::closeAllDetachedWindows()
{
}

void wdgChatPanel::putOnTop(const QString &)
{
}
