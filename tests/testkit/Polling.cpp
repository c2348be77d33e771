#include "Polling.h"

#include <thread>

namespace nimbrel::test {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(step);
    }
    return done();
}

}  // namespace nimbrel::test
