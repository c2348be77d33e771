// Ending and naming the threads of a view: a stop may run on one of the threads it ends (a
// hand-over from the thread that asked), which cannot join itself and is left to finish alone.
// Threading: any thread.
#pragma once

#include <string>
#include <thread>

namespace nimbrel {

// Joins `t`, or detaches it when it is the calling thread; nothing when it is not joinable.
void JoinOrDetach(std::thread& t);

// Names the calling thread "base-what", cut to the 15 bytes the kernel keeps.
void NameThisThread(const std::string& base, const char* what);

}  // namespace nimbrel
