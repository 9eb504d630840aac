// The main window's slots for the notification balloons forward to the balloon board.
#include "mpgui.h"
#include "widgets/balloonboard.h"

void MPGui::onBaloonMsgClosing(Balloon::KeyPair key)
{
    if (balloons)
        balloons->onBaloonMsgClosing(key);
}
