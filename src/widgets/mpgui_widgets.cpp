// The main window's slots for the notification balloons forward to the balloon board.
#include "balloonboard.h"
#include "mainwindow/mpgui.h"

void MPGui::onBaloonMsgClosing(Balloon::KeyPair key)
{
    if (balloons)
        balloons->onBaloonMsgClosing(key);
}
