// Phone back-end selection of the main window: the slots keep their names
// here and forward to the PhoneBackends object.
#include "messaging/messagingpanel.h"
#include "mpgui.h"

#include "app/globallogger.h"
#include "phone/phonebackends.h"

void MPGui::onPApiAuthorized(bool authorized)
{
    phones->onPApiAuthorized(authorized);
}

void MPGui::updatePhoneApi()
{
    phones->updatePhoneApi();
}

void MPGui::resetPhoneApi()
{
    phones->resetPhoneApi();
}

void MPGui::setMuteInputAudio(bool mute)
{
    phones->setMuteInputAudio(mute);
}

void MPGui::setMuteOutputAudio(bool mute)
{
    phones->setMuteOutputAudio(mute);
}

void MPGui::updateDndStatus(bool on)
{
    if (messaging)
        messaging->updateDndStatus(on);
}
