// The top-level boxes of an MP4 file, walked by their headers alone: whether the file begins as
// an MP4 file does, and where its last complete box ends. A recording cut off while it was
// written (a killed program, a full disk) ends in a box that is shorter than its header says;
// everything before that box is whole.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nimbrel::archive {

struct Mp4Layout {
    bool readable = false;     // a regular file that could be opened
    bool mp4 = false;          // it opens with an "ftyp" box
    bool hasMovie = false;     // a whole "moov" box
    bool indexed = false;      // a whole "mfra" box: the file was closed normally
    uint64_t fileBytes = 0;
    uint64_t completeBytes = 0;  // the end of the last whole box
    std::string problem;         // why the file is not usable, when it is not
};

// Walks the boxes of `path`; only regular files are read (a FIFO is refused without waiting).
Mp4Layout WalkMp4Boxes(const std::filesystem::path& path);

}  // namespace nimbrel::archive
