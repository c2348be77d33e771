#include "platform/LocalAdapter.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace nimbrel {
namespace {

std::string ReadMac(const std::string& name) {
    std::ifstream file("/sys/class/net/" + name + "/address");
    std::string text;
    std::getline(file, text);
    // "aa:bb:cc:dd:ee:ff" becomes "aa-bb-cc-dd-ee-ff"; anything else becomes zeros.
    if (text.size() < 17) return "00-00-00-00-00-00";
    text.resize(17);
    std::replace(text.begin(), text.end(), ':', '-');
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Dotted(const sockaddr* addr) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(addr)->sin_addr, text, sizeof text);
    return text;
}

}  // namespace

std::vector<AdapterInfo> ListAdapters() {
    std::vector<AdapterInfo> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return adapters;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        const std::string name = it->ifa_name ? it->ifa_name : "";
        auto found = std::find_if(adapters.begin(), adapters.end(),
                                  [&](const AdapterInfo& a) { return a.name == name; });
        if (found == adapters.end()) {
            AdapterInfo info;
            info.name = name;
            info.up = (it->ifa_flags & IFF_UP) && (it->ifa_flags & IFF_RUNNING);
            info.loopback = it->ifa_flags & IFF_LOOPBACK;
            info.mac = ReadMac(name);
            adapters.push_back(std::move(info));
            found = adapters.end() - 1;
        }
        if (it->ifa_addr && it->ifa_addr->sa_family == AF_INET) {
            found->ipv4.push_back(Dotted(it->ifa_addr));
            found->masks.push_back(it->ifa_netmask ? Dotted(it->ifa_netmask) : "");
        }
    }
    freeifaddrs(list);
    return adapters;
}

bool SelectAdapter(const std::vector<AdapterInfo>& adapters, const std::string& chosen,
                   AdapterIdentity& out) {
    const auto it = std::find_if(adapters.begin(), adapters.end(), [&](const AdapterInfo& a) {
        return chosen.empty() ? a.up && !a.loopback : a.name == chosen;
    });
    if (it == adapters.end() || it->ipv4.empty()) return false;
    out.mac = it->mac;
    out.ip = it->ipv4.back();
    out.mask = it->ipv4.front() == out.ip && !it->masks.empty() ? it->masks.front() : "";
    return true;
}

std::string ChosenAdapter(const std::string& commandLineChoice) {
    if (!commandLineChoice.empty()) return commandLineChoice;
    const char* env = std::getenv("NIMBREL_ADAPTER");
    return env ? env : "";
}

}  // namespace nimbrel
