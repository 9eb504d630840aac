// The program-wide file logger of the main window ("mphone.log"). Null until
// the main window has set it up and again after it is torn down.
//
// Write through logLine(), which does nothing while there is no logger:
//
//     logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Connected to" << host;
//
// The line ends (UNQL::eom) when the temporary goes out of scope.
#pragma once

#include "uniqlogger.h"

extern Logger *logger;

class LogLine
{
public:
    // A line the logger would drop (above its verbosity) is not even
    // formatted: debug lines on busy paths then cost nothing.
    LogLine(Logger *target, UNQL::LogMessagePriorityType priority)
        : out(target && priority <= target->getVerbosityAcceptedLevel() ? target : nullptr)
    {
        if (out)
            *out << priority;
    }
    ~LogLine()
    {
        if (out)
            *out << UNQL::eom;
    }
    LogLine(const LogLine &) = delete;
    LogLine &operator=(const LogLine &) = delete;

    template <typename T> LogLine &operator<<(const T &value)
    {
        if (out)
            *out << value;
        return *this;
    }

private:
    Logger *out;
};

// One line to the program-wide logger, when there is one.
inline LogLine logLine(UNQL::LogMessagePriorityType priority)
{
    return LogLine(logger, priority);
}

// The debug line of a slot whose subsystem does not handle it yet.
inline void logNotYetHandled(const char *function)
{
    logLine(UNQL::LOG_DBG) << function << "not handled yet";
}
