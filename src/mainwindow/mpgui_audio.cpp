// Softphone status and audio controls of the main window: forwarders to the
// phone back-ends object.
#include "mpgui.h"

#include "globallogger.h"
#include "phonebackends.h"

void MPGui::setInputAudioValue(int value)
{
    phones->setInputAudioValue(value);
}

void MPGui::setOutputAudioValue(int value)
{
    phones->setOutputAudioValue(value);
}

void MPGui::toggleMuteInputAudio()
{
    phones->toggleMuteInputAudio();
}

void MPGui::toggleMuteOutputAudio()
{
    phones->toggleMuteOutputAudio();
}

void MPGui::onAudioDevicesChange()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO;
    // Without a softphone engine there is nothing to hand the devices to.
}
