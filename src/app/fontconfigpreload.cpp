#include "fontconfigpreload.h"

#ifdef DESKLINE_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontConfigPreload::FontConfigPreload()
{
#ifdef DESKLINE_HAS_FONTCONFIG
    // The configuration is process-wide and fontconfig sets it up safely from
    // any thread: Qt's font database, in the GUI thread, finds it ready.
    reader = std::thread([] { FcInit(); });
#endif
}

FontConfigPreload::~FontConfigPreload()
{
    wait();
}

void FontConfigPreload::wait()
{
    if (reader.joinable())
        reader.join();
}
