// Faults put into recording files on purpose, so that tests and soak runs of the real program can
// see what a slow, frozen or failing disk does. While the control file exists (named by the
// environment variable NIMBREL_FILE_FAULTS, or set by a test), every write and flush of a
// recording first asks here, and its content says what happens:
//   (empty)        each write and flush is held for 2 s
//   hold MS        each write and flush is held for MS milliseconds
//   freeze         each write and flush is held until the control file is removed
//   fail-write     writes fail as on a full disk (ENOSPC)
//   fail-sync      flushes fail as after a lost write-back (EIO)
// Words may be combined ("hold 500 fail-sync"). A hold ends early when the control file is
// removed, as a frozen filesystem thaws. Without a control file nothing is held or failed.
// Threading: any thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

namespace nimbrel::file_faults {

enum class Operation { Write, Sync };

// Holds the caller as the control file asks. Returns the error number `operation` must fail
// with, or 0 when it goes ahead.
int Before(Operation operation);

// Names the control file from now on (empty: none), in place of NIMBREL_FILE_FAULTS.
void SetControlFile(const std::filesystem::path& file);

// What a control file's text asks for.
struct Fault {
    std::chrono::milliseconds hold{0};
    bool untilRemoved = false;
    bool failWrite = false;
    bool failSync = false;
};
Fault ParseControl(std::string_view text);

}  // namespace nimbrel::file_faults
