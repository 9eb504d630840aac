// The system's font configuration, read beside the application object's
// construction.
#pragma once

#include <thread>

// Where Qt finds fonts through fontconfig (X11), the first font the program
// asks for has fontconfig read its configuration files and font caches, a few
// milliseconds of XML parsing on the way to the window's first frame. Made at
// the start of the program, this reads them on a thread of its own while the
// application object connects to the display; wait() returns once they are
// read, before the program's own fonts are registered. Elsewhere it does
// nothing.
class FontConfigPreload
{
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload &) = delete;
    FontConfigPreload &operator=(const FontConfigPreload &) = delete;

    void wait();

private:
    std::thread reader;
};
