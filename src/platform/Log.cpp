#include "platform/Log.h"

#include <log4cplus/consoleappender.h>
#include <log4cplus/fileappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace nimbrel {
namespace {

log4cplus::LogLevel ParseLevel(const std::string& name) {
    if (name == "trace") return log4cplus::TRACE_LOG_LEVEL;
    if (name == "debug") return log4cplus::DEBUG_LOG_LEVEL;
    if (name == "info") return log4cplus::INFO_LOG_LEVEL;
    if (name == "warn") return log4cplus::WARN_LOG_LEVEL;
    if (name == "error") return log4cplus::ERROR_LOG_LEVEL;
    return log4cplus::OFF_LOG_LEVEL;
}

}  // namespace

log4cplus::Logger& Log() {
    static log4cplus::Initializer initializer;
    static log4cplus::Logger logger = [] {
        auto l = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("LoggerName"));
        l.setLogLevel(log4cplus::OFF_LOG_LEVEL);
        l.setAdditivity(false);
        return l;
    }();
    return logger;
}

void InitLogging() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* env = std::getenv("NIMBREL_LOG");
        if (!env || !*env) return;
        const std::string setup(env);
        const auto colon = setup.find(':');
        const std::string level = setup.substr(0, colon);
        const std::string dest = colon == std::string::npos ? "stderr" : setup.substr(colon + 1);

        log4cplus::SharedAppenderPtr appender;
        if (dest == "stderr")
            appender = new log4cplus::ConsoleAppender(true, true);
        else
            appender = new log4cplus::FileAppender(LOG4CPLUS_STRING_TO_TSTRING(dest),
                                                   std::ios_base::app, true);
        appender->setLayout(std::make_unique<log4cplus::PatternLayout>(
            LOG4CPLUS_TEXT("%D{%H:%M:%S.%q} %-5p [%t] %b:%L %m%n")));
        Log().addAppender(appender);
        Log().setLogLevel(ParseLevel(level));
    });
}

}  // namespace nimbrel
