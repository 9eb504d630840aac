// Small stateless helpers shared by the main window and its panels.
#pragma once

class GuiUtils {
public:
    // base when range is 0, otherwise base plus a value from 0 to |range| - 1,
    // drawn from the process-wide, system-seeded generator (so clients that
    // lose the PBX together do not all come back at the same moment).
    static int randomValue(int base, int range);
};
