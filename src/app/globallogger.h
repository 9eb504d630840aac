// The program-wide file logger of the main window ("mphone.log"). Null until
// the main window has set it up and again after it is torn down: every log
// site tests it first.
#pragma once

#include "uniqlogger.h"

extern Logger *logger;
