#include "mcticonfig.h"

MctiConfig::MctiConfig() : sipProtocol(QStringLiteral("UDP")), micVol(100), spkVol(100) {}
