// The scenario a simulator run plays: accounts, devices and the switches that shape the
// service's and the detection servers' answers, read from a JSON file.
// Threading: plain data, read-only once loaded; the parser is a pure function.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "DirectorySpec.h"
#include "Result.h"
#include "camera/CameraSpec.h"

namespace nimbrel::sim {

struct SecurityQuestion {
    int number = 0;      // 1..12, the client's fixed question table
    std::string answer;  // UTF-8, compared exactly
};

struct AccountSpec {
    std::string name;      // the login name (`uid` of login.do)
    std::string id;        // the account id that password recovery works with
    std::string password;  // plain text; the service keeps its MD5
    std::string nickName;  // UTF-8, shown in the sharing list
    std::vector<SecurityQuestion> questions;
    bool tokenExpired = false;  // automatic logins (isnew 0) are answered "DUE"
    std::string token;          // fixed login token; empty: a fresh one per login
};

// How a device can be reached; "offline" devices also have `status` 0.
enum class Reach { Offline, Lan, PortMapping, NatTraversal, Relay };

struct DeviceSpec {
    // Fields of the device record, as the device list reports them.
    std::string sid;
    std::string name;  // UTF-8
    int showLED = 1;
    int showSound = 1;
    int showAlarm = 1;
    int alarmStatus = 0;
    int alarmStartTime = 0;
    int alarmEndTime = 0;
    int ledStatus = 1;
    int soundLeadStatus = 1;
    int lock = 0;
    std::string lockPsd;  // HMAC-SHA1 hex of the lock code, or empty
    std::string type;
    std::string version;
    std::string img;
    int status = 1;  // 1 online
    // What it answers to LAN discovery, and how its `img` path is served.
    LanReplySpec lanReply;
    ThumbnailShape thumbnail = ThumbnailShape::Png;
    // Binding: the owner is the administrator; the others see the device as shared.
    std::string owner;
    std::vector<std::string> sharedWith;
    int maxUsers = 5;            // owner included; addUser.do beyond it is "OUTMAX"
    bool listAdminLast = false;  // bindUserList.do names the administrator last
    Reach reach = Reach::Lan;
    CameraSpec camera;  // media, faults, stream port, relay time limit
};

struct EndpointSpec {
    int tcpPort = 0;  // 0: an ephemeral port
    int udpPort = 0;
};

struct DetectionSpec {
    std::string probeShape = "open";  // see ProbeShape.h
    std::string mapping = "port";     // a translated answer differs in "port" or "address"
    std::string tcpShape = "greet";   // see ProbeShape.h
    EndpointSpec first;
    EndpointSpec second;
};

struct VersionSpec {
    std::string newest = "2.0";  // "major.minor" of the newest client
    std::string resourceUrl;
    int updateStatus = 0;
};

struct ServiceSpec {
    int port = 0;
    std::string securityStatus = "OK";  // "OK" or "UPATE"
    std::string keyValue;               // fixed 4-character key prefix; empty: random
    std::map<std::string, std::string> statusOverrides;  // operation -> forced status word
    std::set<std::string> deepReplies;  // operations answered with JSON nested too deep to read
    DeviceListSpec deviceList;          // devList.do delay and mistypes
    VersionSpec version;
};

struct Scenario {
    ServiceSpec service;
    DetectionSpec detection;
    EndpointSpec relay;       // named to the client by login.do
    EndpointSpec rendezvous;  // NAT traversal; only udpPort is used
    std::vector<AccountSpec> accounts;
    std::vector<DeviceSpec> devices;
    LanSpec lan;  // the LAN discovery responder
};

std::string_view ReachName(Reach reach);

// Reads and checks a scenario; the error names the offending member ("devices[2].sid: ...").
Result<Scenario> ParseScenario(std::string_view text);
Result<Scenario> LoadScenarioFile(const std::filesystem::path& path);

}  // namespace nimbrel::sim
