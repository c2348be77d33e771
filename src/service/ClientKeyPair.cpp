#include "service/ClientKeyPair.h"

#include <mutex>
#include <optional>

namespace nimbrel {

const RsaKeyPair* ClientKeyPair() {
    static std::mutex lock;
    static std::optional<RsaKeyPair> pair;
    std::lock_guard guard(lock);
    if (!pair || !pair->Check()) pair = RsaKeyPair::Generate(1024);
    return pair ? &*pair : nullptr;
}

}  // namespace nimbrel
