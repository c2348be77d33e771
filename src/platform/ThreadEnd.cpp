#include "platform/ThreadEnd.h"

#include <pthread.h>

namespace nimbrel {

void JoinOrDetach(std::thread& t) {
    if (!t.joinable()) return;
    if (t.get_id() == std::this_thread::get_id())
        t.detach();
    else
        t.join();
}

void NameThisThread(const std::string& base, const char* what) {
    const std::string name = (base + "-" + what).substr(0, 15);
    pthread_setname_np(pthread_self(), name.c_str());
}

}  // namespace nimbrel
