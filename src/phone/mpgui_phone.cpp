// Phone back-end selection of the main window.
#include "mpgui.h"

#include "globallogger.h"

void MPGui::onPApiAuthorized(bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}
