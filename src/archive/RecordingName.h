// What a recording's name says: the camera and the local time the file was begun, from
// "YYYY-MM-DD-hh-mm-ss-<sid>.mp4" (a name taken in the same second carries "-2", "-3", … after
// the device id). Files named otherwise are not recordings of this program.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::archive {

struct RecordingName {
    std::string sid;
    int64_t startMs = 0;  // local milliseconds (LocalTime.h)
};

// Nothing when `fileName` (without folders) is not a recording's name, or its time is not a
// real one.
std::optional<RecordingName> ParseRecordingName(std::string_view fileName);

}  // namespace nimbrel::archive
