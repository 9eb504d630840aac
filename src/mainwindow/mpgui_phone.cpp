// The desk phone's call events and states as the main window hands them on.
#include "messaging/messagingpanel.h"
#include "mpgui.h"

#include "app/globallogger.h"
#include "phone/phonebackends.h"

void MPGui::updateDndStatus(bool on)
{
    if (messaging)
        messaging->updateDndStatus(on);
}
