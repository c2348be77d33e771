// Address of a relay or detection server as the service names it.
// Threading: plain data; written at login, read afterwards.
#pragma once

#include <cstdint>

namespace nimbrel {

struct ServerEndpoint {
    char ip[17] = {};  // dotted IPv4 text
    int32_t tcpPort = 0;
    int32_t udpPort = 0;
};

}  // namespace nimbrel
