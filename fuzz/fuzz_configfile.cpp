// Feeds arbitrary bytes to the reader of the configuration file given with -c.
#include "configfilereader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(DesklineStartup::MaxConfigFileBytes))
        return 0;
    const QHash<QString, QString> keys =
        DesklineStartup::parseConfigFileKeys(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    DesklineStartup::startupModeFromText(keys.value(QStringLiteral("mode"), QStringLiteral("-1")));
    return 0;
}
