// The public keys clients showed in their handshakes, so that replies to their later requests
// can be sealed for them. Sealed requests carry the handshake's `tm`, which finds the key; a
// request whose `tm` matches no handshake gets the most recent client's key.
// Threading: all methods may be called from any thread (one internal mutex).
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace nimbrel::sim {

struct ClientKey {
    std::string exp;  // hex
    std::string mod;  // hex
};

class ClientKeyBook {
  public:
    // The bound on remembered handshakes; the oldest `tm` is forgotten beyond it.
    static constexpr std::size_t kCapacity = 4096;

    void Remember(const std::string& tm, ClientKey key);
    // The key of the handshake with this `tm`, else the latest one, else nothing.
    std::optional<ClientKey> Find(const std::string& tm) const;
    // Forgets every handshake, as a restarted service would.
    void Forget();

  private:
    mutable std::mutex lock_;
    std::map<std::string, std::pair<unsigned long, ClientKey>> byTm_;
    std::optional<ClientKey> latest_;
    unsigned long counter_ = 0;
};

}  // namespace nimbrel::sim
