// Plays one of the sounds shipped with the installation. Apart from
// msettings.h because it goes through the prompt service, which shows
// dialogs: what only reads where the program keeps its files needs no widgets.
#pragma once

#include <QString>

namespace MSETTINGS
{

// Plays `fileName` from getSoundsDirPath(); false when the installation has no
// such sound.
bool playSound(const QString &fileName);

} // namespace MSETTINGS
