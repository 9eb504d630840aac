#include "globallogger.h"

Logger *logger = nullptr;
