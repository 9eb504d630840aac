// Answers that only the operating system gives: its version, and whether the
// program may record from the microphone (which the built-in softphone
// needs). The object has no state; make one on the stack and call it.
#pragma once

class cocoaWrapper
{
public:
    // Microphone authorisation status, as the system reports it for audio capture.
    enum MicrophoneAuthorization {
        NotDetermined = 0,
        Restricted = 1,
        Denied = 2,
        Authorized = 3,
    };

    // Writes "Running on Mac OS X <major>.<minor>.<patch>\n" with the running
    // system's version to standard output and returns 0.
    int GetOS();

    // Whether the program may record from the microphone. This platform asks
    // for no permission, so the answer is always true.
    bool isMicrophoneAccessGranted();

    // Asks the system for audio-capture access and returns at once; nothing
    // to ask on this platform.
    void requestMicrophoneAccess();

    // Only Authorized counts as granted.
    static bool isGrantedStatus(int status) { return status == Authorized; }

    // Reads the leading "major.minor.patch" numbers of a release text such as
    // "6.1.0-18-amd64" or "11.2"; missing or unreadable parts are 0.
    static void parseVersion(const char *release, long *major, long *minor, long *patch);
};
