// Work a window should not hold up: run once the window is on screen.
#pragma once

#include <functional>

class QWidget;

namespace GuiUtils
{

// Runs `action` once, on the turn of the event loop after `window`'s first
// paint. A window that is not going to paint (hidden or minimised) runs it on
// the next turn; one that never gets a paint (kept covered on the desktop)
// runs it after `fallbackMs`. Nothing runs once the window is gone.
void runAfterFirstPaint(QWidget *window, std::function<void()> action, int fallbackMs = 1000);

} // namespace GuiUtils
