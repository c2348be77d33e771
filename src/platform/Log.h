// The program's one logger, "LoggerName". Silent unless NIMBREL_LOG asks for output:
//   NIMBREL_LOG=LEVEL[:DEST]   LEVEL trace|debug|info|warn|error, DEST stderr (default) or a file.
// Threading: InitLogging once at start; the macros may be used from any thread.
#pragma once

#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>

namespace nimbrel {

// Configures the logger from NIMBREL_LOG. Safe to call more than once.
void InitLogging();
log4cplus::Logger& Log();

}  // namespace nimbrel

#define NLOG_TRACE(expr) LOG4CPLUS_TRACE(::nimbrel::Log(), expr)
#define NLOG_DEBUG(expr) LOG4CPLUS_DEBUG(::nimbrel::Log(), expr)
#define NLOG_INFO(expr) LOG4CPLUS_INFO(::nimbrel::Log(), expr)
#define NLOG_WARN(expr) LOG4CPLUS_WARN(::nimbrel::Log(), expr)
#define NLOG_ERROR(expr) LOG4CPLUS_ERROR(::nimbrel::Log(), expr)
