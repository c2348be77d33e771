// This computer's network identity: the MAC, IPv4 address and mask of the adapter in use.
// Threading: start-up thread.
#pragma once

#include <string>
#include <vector>

namespace nimbrel {

struct AdapterInfo {
    std::string name;
    bool up = false;
    bool loopback = false;
    std::string mac;                   // six lower-case pairs joined by "-"
    std::vector<std::string> ipv4;     // in the system's order
    std::vector<std::string> masks;    // the mask of each address, same order
};

struct AdapterIdentity {
    std::string mac;
    std::string ip;
    std::string mask;  // empty when not found
};

// The adapters of this computer, in the system's order.
std::vector<AdapterInfo> ListAdapters();

// Picks the adapter: the one named `chosen` if given, else the first that is up and is not a
// loopback adapter. Only that adapter is looked at: the last IPv4 address wins, and the mask is
// the one of the adapter's first address when that address is the chosen one. Nothing when the
// adapter has no IPv4 address (even if a later adapter has one).
bool SelectAdapter(const std::vector<AdapterInfo>& adapters, const std::string& chosen,
                   AdapterIdentity& out);

// The adapter chosen by `--adapter`, else NIMBREL_ADAPTER, else none.
std::string ChosenAdapter(const std::string& commandLineChoice);

}  // namespace nimbrel
