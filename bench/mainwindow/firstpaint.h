// What a start-up benchmark child reports at its window's first paint: its
// resident memory and whether an OpenGL driver is mapped into the process;
// a child that must not have the media libraries yet fails when it has.
// Plain Qt only, so that the minimal window loads nothing of the client.
#pragma once

#include "procmemory.h"

#include <QEvent>
#include <QObject>
#include <QPalette>
#include <QResizeEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace benchstartup
{

// True when the process has an OpenGL driver (not only the dispatch stubs a
// platform plug-in links) mapped: Mesa's GLX/EGL vendors or a DRI driver.
inline bool openGlDriverMapped()
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libGLX_mesa") != std::string::npos || line.find("libEGL_mesa") != std::string::npos ||
            line.find("/dri/") != std::string::npos || line.find("libgallium") != std::string::npos ||
            line.find("swrast") != std::string::npos)
            return true;
    }
    return false;
}

// The first library mapped into the process that the client's start-up
// leaves for later, empty when there is none: the media module's set (the
// module itself, Qt Multimedia, the SIP stack, the DSP libraries,
// PulseAudio), libzip with OpenSSL's crypto library, and the TLS library and
// SQLite, which the log-in and the chat history store bring once the window
// is on screen.
inline std::string laterLibraryMapped()
{
    static const char *const names[] = {"/libdeskline_media.so",
                                        "/libQt5Multimedia.so",
                                        "/libre.so",
                                        "/librem.so",
                                        "/libspandsp.so",
                                        "/libspeexdsp.so",
                                        "/libpulse.so",
                                        "/libpulse-simple.so",
                                        "/libzip.so",
                                        "/libcrypto.so",
                                        "/libssl.so",
                                        "/libsqlite3.so"};
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        for (const char *name : names) {
            if (line.find(name) != std::string::npos)
                return line.substr(line.rfind('/') + 1);
        }
    }
    return std::string();
}

// Reports the first paint of a window ("SHOWN <KiB> <GL> <width> <height>")
// and, unless keepRunning is set, ends the process. Once shown, every later
// change of the window's size is reported ("RESIZED <width> <height>"). When
// needsBackground is set the first paint must already show a
// background picture, and when withoutLaterLibraries is set none of the
// libraries above may be mapped yet, or the report is "INCOMPLETE".
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && done) {
            const QSize size = static_cast<QResizeEvent *>(event)->size();
            std::printf("RESIZED %d %d\n", size.width(), size.height());
            std::fflush(stdout);
        }
        if (event->type() == QEvent::Paint && !done) {
            done = true;
            auto *window = qobject_cast<QWidget *>(watched);
            if (needsBackground && window &&
                window->palette().brush(QPalette::Active, QPalette::Window).style() != Qt::TexturePattern) {
                std::printf("INCOMPLETE background picture not laid at the first paint\n");
                std::fflush(stdout);
                std::_Exit(1);
            }
            if (withoutLaterLibraries) {
                const std::string media = laterLibraryMapped();
                if (!media.empty()) {
                    std::printf("INCOMPLETE %s mapped at the first paint\n", media.c_str());
                    std::fflush(stdout);
                    std::_Exit(1);
                }
            }
            const QSize size = window ? window->size() : QSize();
            std::printf("SHOWN %ld %d %d %d\n", benchmem::statusValue("VmRSS"), openGlDriverMapped() ? 1 : 0,
                        size.width(), size.height());
            std::fflush(stdout);
            if (keepRunning)
                return QObject::eventFilter(watched, event);
            // What the window starts once it is on screen may run on for
            // settleMs; the resident size then is reported as well.
            QTimer::singleShot(settleMs, [settle = settleMs] {
                if (settle > 0) {
                    std::printf("SETTLED %ld\n", benchmem::statusValue("VmRSS"));
                    std::fflush(stdout);
                }
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }
    bool done = false;
    bool needsBackground = false;
    bool withoutLaterLibraries = false;
    int settleMs = 0;
    bool keepRunning = false;
};

} // namespace benchstartup
