// Whether Qt loads its OpenGL integration when the window system starts.
//
// On X11 Qt loads an OpenGL integration (GLX or EGL) with its platform
// plug-in, and with it the system's OpenGL stack: tens of MiB and a good part
// of the start-up time, though the client draws nothing with OpenGL. The
// client turns it off unless the user chose one in QT_XCB_GL_INTEGRATION
// (for example "xcb_glx" or "xcb_egl"). Qt reads the variable when the
// application object is made, so this runs before that.
#pragma once

#include <QByteArray>

namespace DesklineStartup
{

// The value QT_XCB_GL_INTEGRATION should have given its current value: the
// user's choice when there is one, "none" otherwise.
QByteArray openGlIntegrationFor(const QByteArray &userChoice);

// Sets QT_XCB_GL_INTEGRATION from openGlIntegrationFor(); returns true when
// the integration is left out.
bool keepOpenGlIntegrationUnloaded();

} // namespace DesklineStartup
