// Keyboard order of the main form's tab area.
//
// The form links its stops one after the other, and one of those links goes
// from the tab widget into its own pages. Qt resolves that link through the
// tab widget's focus proxy (its tab bar) to the last focusable widget inside
// the pages, and the pages' stops end up in a focus cycle of their own: Tab
// pressed in a page never leaves it again. Call this once, right after
// setupUi(), to put those stops back in the window's single cycle, after the
// tab bar, in the form's order.
#pragma once

namespace Ui
{
class wdgVeloraPhone;
}

void relinkMainFormTabArea(Ui::wdgVeloraPhone &ui);
