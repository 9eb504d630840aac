#include "cocoawrapper.h"

#include <cctype>
#include <cstdio>
#include <sys/utsname.h>

void cocoaWrapper::parseVersion(const char *release, long *major, long *minor, long *patch)
{
    long *parts[3] = {major, minor, patch};
    for (long *p : parts)
        *p = 0;
    if (!release)
        return;
    const char *s = release;
    for (int i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(*s)))
            return;
        long value = 0;
        while (std::isdigit(static_cast<unsigned char>(*s))) {
            // Saturate instead of overflowing on absurdly long numbers.
            if (value < 100000000L)
                value = value * 10 + (*s - '0');
            ++s;
        }
        *parts[i] = value;
        if (*s != '.')
            return;
        ++s;
    }
}

int cocoaWrapper::GetOS()
{
    long major = 0;
    long minor = 0;
    long patch = 0;
    struct utsname info;
    if (uname(&info) == 0)
        parseVersion(info.release, &major, &minor, &patch);
    std::printf("Running on Mac OS X %ld.%ld.%ld\n", major, minor, patch);
    return 0;
}

bool cocoaWrapper::isMicrophoneAccessGranted()
{
    return true;
}

void cocoaWrapper::requestMicrophoneAccess() {}
