// The phones' call events of the main window: the CallEvents object takes the
// softphone engine's and the desk phone's reports, hold confirmations, SIP
// errors and the questions before a second call; the window hands it each
// new engine and driver.
#include "mpgui.h"
#include "mpgui_callshost.h"

#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"

void MPGui::connectCallEvents()
{
    events = new CallEvents(*calls, edtCallerNumber, appMode, *ctiLib, *phones, *callsHost, this);
    connect(events, &CallEvents::missedCallNotification, this, &MPGui::displayMissedCallNotification);
    // Each new engine and driver reports its calls there.
    connect(phones, &PhoneBackends::phoneEngineReady, events, &CallEvents::attachEngine);
    connect(phones, &PhoneBackends::deskPhoneReady, events, &CallEvents::attachDeskPhone);
}
