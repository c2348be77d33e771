#include "service/AppRecord.h"

#include "BuildVersion.h"

namespace nimbrel {

AppRecord app;

AppRecord* InitAppRecord(AppRecord& record) {
    record = AppRecord{};
    record.m_VersionMajor = kVersionMajor;
    record.m_VersionMinor = kVersionMinor;
    return &record;
}

}  // namespace nimbrel
