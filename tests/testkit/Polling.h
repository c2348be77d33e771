// Waiting in tests for something other threads bring about: poll a condition until it holds or a
// generous limit passes, so that a slow machine only makes a test slower, never wrong.
// Threading: any thread; `done` runs on the calling thread.
#pragma once

#include <chrono>
#include <functional>

namespace nimbrel::test {

// Polls `done` every `step` for up to `limit`; true when it became true.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30),
               std::chrono::milliseconds step = std::chrono::milliseconds(20));

}  // namespace nimbrel::test
