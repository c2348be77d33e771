// What a camera's recorder tells whoever keeps track of the recordings on disk: a file is about
// to be made (room may be made first), a file was opened, a file was closed (cut, switched off,
// stopped or failed), and, when a write or a new file failed, whether room could be made so that
// recording may go on. The recorder works the same without a listener.
// Threading: called on the recording's writer thread (each recording camera has its own, so
// several may call at once); the display tick never waits for these calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nimbrel {

class RecordingEvents {
  public:
    struct File {
        std::filesystem::path path;
        std::string sid;
        uint64_t frames = 0;  // written so far (at a close: all of them)
        bool failed = false;  // closed by a failed write: only its complete fragments count
    };

    virtual ~RecordingEvents() = default;
    // A new file is about to be made below the recording folder `folder`.
    virtual void BeforeNewFile(const std::string& folder) = 0;
    virtual void FileOpened(const File& file) = 0;
    virtual void FileClosed(const File& file) = 0;
    // A write (or a file's close) failed or a file could not be made below `folder`: true when
    // room was made on its disk (the recording goes on with a new file), false to give up as
    // before.
    virtual bool MakeRoom(const std::string& folder) = 0;
};

}  // namespace nimbrel
