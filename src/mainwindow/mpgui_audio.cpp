// Softphone status and audio controls of the main window.
#include "mpgui.h"

#include "globallogger.h"

void MPGui::setInputAudioValue(int)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::setOutputAudioValue(int)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::toggleMuteInputAudio()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::toggleMuteOutputAudio()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onAudioDevicesChange()
{
    logNotYetHandled(Q_FUNC_INFO);
}
