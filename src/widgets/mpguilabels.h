// Texts the main window shows for the busy-lamp state of an extension and
// for the chat presence of a user.
#pragma once

#include "ctilibtypes.h"

#include <QString>

namespace MPGUI
{

// "Interno libero", "Interno occupato", ... ; "Offline" outside -1..17.
QString translateBlfStatus(CTILIB::BlfStatus status);
// "Online", "Disponibile", ... ; "Offline" for any value outside 0..5.
QString translatePresenceStatus(CTILIB::ChatPresence presence);

} // namespace MPGUI
