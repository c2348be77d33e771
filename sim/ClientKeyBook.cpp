#include "ClientKeyBook.h"

namespace nimbrel::sim {

void ClientKeyBook::Remember(const std::string& tm, ClientKey key) {
    std::lock_guard<std::mutex> hold(lock_);
    if (byTm_.size() >= kCapacity && !byTm_.count(tm)) {
        auto oldest = byTm_.begin();
        for (auto it = byTm_.begin(); it != byTm_.end(); ++it)
            if (it->second.first < oldest->second.first) oldest = it;
        byTm_.erase(oldest);
    }
    byTm_[tm] = {++counter_, key};
    latest_ = std::move(key);
}

void ClientKeyBook::Forget() {
    std::lock_guard<std::mutex> hold(lock_);
    byTm_.clear();
    latest_.reset();
}

std::optional<ClientKey> ClientKeyBook::Find(const std::string& tm) const {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = byTm_.find(tm);
    if (it != byTm_.end()) return it->second.second;
    return latest_;
}

}  // namespace nimbrel::sim
