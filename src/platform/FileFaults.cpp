#include "platform/FileFaults.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"

namespace nimbrel::file_faults {
namespace {

using namespace std::chrono_literals;

constexpr auto kDefaultHold = 2000ms;
constexpr auto kLookAgain = 50ms;  // how soon a held operation notices the control file gone

struct Control {
    std::mutex lock;
    std::filesystem::path file;
};

Control& TheControl() {
    static Control* control = [] {
        auto* c = new Control;  // never destroyed: writers may ask while the program exits
        if (const char* named = std::getenv("NIMBREL_FILE_FAULTS")) c->file = named;
        return c;
    }();
    return *control;
}

std::filesystem::path ControlFile() {
    Control& c = TheControl();
    std::lock_guard guard(c.lock);
    return c.file;
}

bool Present(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::exists(file, ec);
}

}  // namespace

Fault ParseControl(std::string_view text) {
    Fault fault;
    std::istringstream words{std::string(text)};
    std::string word;
    bool held = false;
    while (words >> word) {
        if (word == "hold") {
            long ms = 0;
            if (words >> ms && ms >= 0) fault.hold = std::chrono::milliseconds(ms);
            held = true;
        } else if (word == "freeze") {
            fault.untilRemoved = true;
            held = true;
        } else if (word == "fail-write") {
            fault.failWrite = true;
        } else if (word == "fail-sync") {
            fault.failSync = true;
        }
    }
    if (!held && !fault.failWrite && !fault.failSync) fault.hold = kDefaultHold;
    return fault;
}

int Before(Operation operation) {
    const std::filesystem::path file = ControlFile();
    if (file.empty()) return 0;
    const std::optional<std::string> text = ReadWholeFile(file, 4096);
    if (!text) return 0;
    const Fault fault = ParseControl(*text);
    const auto until = std::chrono::steady_clock::now() + fault.hold;
    while ((fault.untilRemoved || std::chrono::steady_clock::now() < until) && Present(file))
        std::this_thread::sleep_for(kLookAgain);
    if (operation == Operation::Write && fault.failWrite) return ENOSPC;
    if (operation == Operation::Sync && fault.failSync) return EIO;
    return 0;
}

void SetControlFile(const std::filesystem::path& file) {
    Control& c = TheControl();
    std::lock_guard guard(c.lock);
    c.file = file;
}

}  // namespace nimbrel::file_faults
