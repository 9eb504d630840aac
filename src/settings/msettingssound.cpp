#include "msettingssound.h"

#include "framework/promptservice.h"
#include "msettings.h"

#include <QDir>
#include <QFile>

namespace MSETTINGS
{

bool playSound(const QString &fileName)
{
    const QString path = QDir(getSoundsDirPath()).filePath(fileName);
    if (!QFile::exists(path))
        return false;
    prompts().playSound(path);
    return true;
}

} // namespace MSETTINGS
