// Softphone status and audio controls of the main window.
#include "mpgui.h"

#include "globallogger.h"

namespace {
// Until this part of the window is built, its slots only say they were called.
void logNotYetHandled(const char *function)
{
    if (logger)
        *logger << UNQL::LOG_DBG << function << "not handled yet" << UNQL::eom;
}
} // namespace

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
