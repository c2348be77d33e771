#include "Scenario.h"

#include <json/value.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "ProbeShape.h"
#include "ScenarioReader.h"
#include "ServiceSigning.h"

namespace nimbrel::sim {
namespace {

bool IsHexText(std::string_view text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

bool IsPrintableAscii(std::string_view text) {
    for (char c : text)
        if (c <= ' ' || c > '~') return false;
    return true;
}

EndpointSpec ReadEndpoint(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    EndpointSpec e;
    e.tcpPort = m.Int("tcpPort", 0, 0, 65535);
    e.udpPort = m.Int("udpPort", 0, 0, 65535);
    m.CheckAllKnown();
    return e;
}

VersionSpec ReadVersion(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    VersionSpec v;
    v.newest = m.Text("newest", v.newest, 16);
    int major = 0, minor = 0;
    char tail = 0;
    if (std::sscanf(v.newest.c_str(), "%d.%d%c", &major, &minor, &tail) != 2 || major < 0 ||
        minor < 0)
        Fail(m.At("newest"), "must be \"major.minor\"");
    v.resourceUrl = m.Text("resourceUrl", "", 259);
    v.updateStatus = m.Int("updateStatus", 0, -1000, 1000);
    m.CheckAllKnown();
    return v;
}

ServiceSpec ReadService(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    ServiceSpec s;
    s.port = m.Int("port", 0, 0, 65535);
    s.securityStatus = m.Text("securityStatus", s.securityStatus, 64);
    if (s.securityStatus.empty()) Fail(m.At("securityStatus"), "must not be empty");
    s.keyValue = m.Text("keyValue", "", 4);
    if (!s.keyValue.empty() && (s.keyValue.size() != 4 || !IsHexText(s.keyValue)))
        Fail(m.At("keyValue"), "must be 4 characters of 0-9a-f");
    if (m.Has("statusOverrides")) {
        ScenarioObject overrides(m.Raw("statusOverrides"), m.At("statusOverrides"));
        for (const auto& op : m.Raw("statusOverrides").getMemberNames()) {
            if (!op.empty() && op[0] == '_') continue;
            // Long enough for a status word that floods whatever shows it whole.
            const std::string word = overrides.Text(op, "", 1 << 20);
            if (word.empty()) Fail(overrides.At(op), "must not be empty");
            s.statusOverrides[op] = word;
        }
    }
    if (m.Has("deepReplies")) {
        const Json::Value& list = m.Raw("deepReplies");
        if (!list.isArray()) Fail(m.At("deepReplies"), "must be an array of operations");
        for (const auto& op : list) {
            if (!op.isString() || op.asString().empty())
                Fail(m.At("deepReplies"), "must hold operation names such as \"login.do\"");
            s.deepReplies.insert(op.asString());
        }
    }
    if (m.Has("deviceList")) {
        auto list = ReadDeviceListSpec(m.Raw("deviceList"), m.At("deviceList"));
        if (!list) throw ScenarioError{list.error()};
        s.deviceList = list.value();
    }
    if (m.Has("version")) s.version = ReadVersion(m.Raw("version"), m.At("version"));
    m.CheckAllKnown();
    return s;
}

DetectionSpec ReadDetection(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    DetectionSpec d;
    d.probeShape = m.Text("probeShape", d.probeShape, 64);
    if (!ParseUdpShape(d.probeShape)) Fail(m.At("probeShape"), "unknown shape " + d.probeShape);
    d.mapping = m.Text("mapping", d.mapping, 16);
    if (d.mapping != "port" && d.mapping != "address")
        Fail(m.At("mapping"), "must be \"port\" or \"address\"");
    d.tcpShape = m.Text("tcpShape", d.tcpShape, 64);
    if (!ParseTcpShape(d.tcpShape)) Fail(m.At("tcpShape"), "unknown shape " + d.tcpShape);
    if (m.Has("first")) d.first = ReadEndpoint(m.Raw("first"), m.At("first"));
    if (m.Has("second")) d.second = ReadEndpoint(m.Raw("second"), m.At("second"));
    m.CheckAllKnown();
    return d;
}

AccountSpec ReadAccount(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    AccountSpec a;
    a.name = m.Text("name", "", 64);
    if (a.name.empty() || !IsPrintableAscii(a.name))
        Fail(m.At("name"), "must be 1-64 printable ASCII characters");
    a.id = m.Text("id", a.name, 64);
    if (a.id.empty() || !IsPrintableAscii(a.id))
        Fail(m.At("id"), "must be 1-64 printable ASCII characters");
    a.password = m.Text("password", "", 64);
    if (a.password.empty()) Fail(m.At("password"), "must not be empty");
    a.nickName = m.Text("nickName", a.name, 256);
    a.tokenExpired = m.Bool("tokenExpired", false);
    // Longer than any client keeps, so that a refusal of an oversized token can be seen.
    a.token = m.Text("token", "", 1024);
    if (!IsPrintableAscii(a.token)) Fail(m.At("token"), "must be printable ASCII");
    if (m.Has("questions")) {
        const Json::Value& list = m.Raw("questions");
        if (!list.isArray()) Fail(m.At("questions"), "must be an array");
        std::set<int> seen;
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            ScenarioObject q(list[i], m.At("questions") + "[" + std::to_string(i) + "]");
            SecurityQuestion question;
            question.number = q.Int("question", 0, 1, 12);
            if (!q.Has("question")) Fail(q.At("question"), "is missing");
            question.answer = q.Text("answer", "", 259);
            if (question.answer.empty()) Fail(q.At("answer"), "must not be empty");
            if (!seen.insert(question.number).second)
                Fail(q.At("question"), "repeats question " + std::to_string(question.number));
            q.CheckAllKnown();
            a.questions.push_back(question);
        }
    }
    m.CheckAllKnown();
    return a;
}

Reach ReadReach(ScenarioObject& m) {
    const std::string text = m.Text("reach", "lan", 32);
    for (Reach r :
         {Reach::Offline, Reach::Lan, Reach::PortMapping, Reach::NatTraversal, Reach::Relay})
        if (text == ReachName(r)) return r;
    Fail(m.At("reach"), "must be offline, lan, portMapping, natTraversal or relay");
}

DeviceSpec ReadDevice(const Json::Value& value, const std::string& where) {
    ScenarioObject m(value, where);
    DeviceSpec d;
    d.sid = m.Text("sid", "", 16);
    if (d.sid.empty() || !IsPrintableAscii(d.sid))
        Fail(m.At("sid"), "must be 1-16 printable ASCII characters");
    d.name = m.Text("name", d.sid, 256);
    d.showLED = m.Int("showLED", d.showLED, 0, 1);
    d.showSound = m.Int("showSound", d.showSound, 0, 1);
    d.showAlarm = m.Int("showAlarm", d.showAlarm, 0, 1);
    d.alarmStatus = m.Int("alarmStatus", d.alarmStatus, 0, 1);
    d.alarmStartTime = m.Int("alarmStartTime", d.alarmStartTime, 0, 23);
    d.alarmEndTime = m.Int("alarmEndTime", d.alarmEndTime, 0, 23);
    d.ledStatus = m.Int("ledStatus", d.ledStatus, 0, 1);
    d.soundLeadStatus = m.Int("soundLeadStatus", d.soundLeadStatus, 0, 1);
    d.lock = m.Int("lock", d.lock, 0, 1);
    if (m.Has("lockCode") && m.Has("lockPsd"))
        Fail(where, "give either lockCode or lockPsd, not both");
    d.lockPsd = m.Text("lockPsd", "", 40);
    if (!d.lockPsd.empty() && (d.lockPsd.size() != 40 || !IsHexText(d.lockPsd)))
        Fail(m.At("lockPsd"), "must be 40 lower-case hex digits");
    const std::string lockCode = m.Text("lockCode", "", 64);
    if (!lockCode.empty()) d.lockPsd = SignHex(lockCode);
    d.type = m.Text("type", "", 15);
    d.version = m.Text("version", "", 15);
    d.img = m.Text("img", "", 259);
    d.reach = ReadReach(m);
    const int defaultStatus = d.reach == Reach::Offline ? 0 : 1;
    d.status = m.Int("status", defaultStatus, 0, 1);
    if (d.status != defaultStatus)
        Fail(m.At("status"), "contradicts reach " + std::string(ReachName(d.reach)));
    m.Has("lanReply");
    auto lanReply = ReadLanReplySpec(value, where, d.sid, d.reach == Reach::Lan);
    if (!lanReply) throw ScenarioError{lanReply.error()};
    d.lanReply = lanReply.value();
    m.Has("thumbnail");
    auto thumbnail = ReadThumbnailShape(value, where);
    if (!thumbnail) throw ScenarioError{thumbnail.error()};
    d.thumbnail = thumbnail.value();
    d.owner = m.Text("owner", "", 64);
    if (d.owner.empty()) Fail(m.At("owner"), "must name an account");
    if (m.Has("sharedWith")) {
        const Json::Value& list = m.Raw("sharedWith");
        if (!list.isArray()) Fail(m.At("sharedWith"), "must be an array");
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            if (!list[i].isString()) Fail(m.At("sharedWith"), "must hold account names");
            d.sharedWith.push_back(list[i].asString());
        }
    }
    d.maxUsers = m.Int("maxUsers", d.maxUsers, 1, 100);
    d.listAdminLast = m.Bool("listAdminLast", false);
    for (const char* name : {"media", "faults", "streamPort", "transVideoLong", "card"}) m.Has(name);
    auto camera = ReadCameraSpec(value, where);
    if (!camera) throw ScenarioError{camera.error()};
    d.camera = camera.value();
    if (d.camera.streamPort != 0 && d.reach != Reach::Lan && d.reach != Reach::PortMapping)
        Fail(m.At("streamPort"), "only lan and portMapping cameras have a stream port");
    m.CheckAllKnown();
    return d;
}

void CheckCrossReferences(const Scenario& s) {
    std::set<std::string> names, ids, sids;
    for (std::size_t i = 0; i < s.accounts.size(); ++i) {
        const std::string where = "accounts[" + std::to_string(i) + "]";
        if (!names.insert(s.accounts[i].name).second)
            Fail(where, "repeats name " + s.accounts[i].name);
        if (!ids.insert(s.accounts[i].id).second) Fail(where, "repeats id " + s.accounts[i].id);
    }
    for (std::size_t i = 0; i < s.devices.size(); ++i) {
        const DeviceSpec& d = s.devices[i];
        const std::string where = "devices[" + std::to_string(i) + "]";
        if (!sids.insert(d.sid).second) Fail(where, "repeats sid " + d.sid);
        if (!names.count(d.owner)) Fail(where + ".owner", "no account named " + d.owner);
        std::set<std::string> bound{d.owner};
        for (const auto& user : d.sharedWith) {
            if (!names.count(user)) Fail(where + ".sharedWith", "no account named " + user);
            if (!bound.insert(user).second) Fail(where + ".sharedWith", "repeats " + user);
        }
        if (static_cast<int>(bound.size()) > d.maxUsers)
            Fail(where + ".maxUsers", "is below the number of bound accounts");
    }
}

}  // namespace

std::string_view ReachName(Reach reach) {
    switch (reach) {
        case Reach::Offline:
            return "offline";
        case Reach::Lan:
            return "lan";
        case Reach::PortMapping:
            return "portMapping";
        case Reach::NatTraversal:
            return "natTraversal";
        case Reach::Relay:
            return "relay";
    }
    return "lan";
}

Result<Scenario> ParseScenario(std::string_view text) {
    const auto parsed = ParseScenarioJson(text);
    if (!parsed) return Result<Scenario>::Fail(parsed.error());
    const Json::Value& root = parsed.value();
    try {
        ScenarioObject top(root, "scenario");
        Scenario s;
        if (top.Has("service")) s.service = ReadService(top.Raw("service"), "service");
        if (top.Has("detection")) s.detection = ReadDetection(top.Raw("detection"), "detection");
        if (top.Has("relay")) s.relay = ReadEndpoint(top.Raw("relay"), "relay");
        if (top.Has("rendezvous")) s.rendezvous = ReadEndpoint(top.Raw("rendezvous"), "rendezvous");
        for (const char* listName : {"accounts", "devices"}) {
            if (!top.Has(listName)) continue;
            const Json::Value& list = top.Raw(listName);
            if (!list.isArray()) Fail(listName, "must be an array");
            for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
                const std::string where = std::string(listName) + "[" + std::to_string(i) + "]";
                if (std::string_view(listName) == "accounts")
                    s.accounts.push_back(ReadAccount(list[i], where));
                else
                    s.devices.push_back(ReadDevice(list[i], where));
            }
        }
        if (top.Has("lan")) {
            auto lan = ReadLanSpec(top.Raw("lan"), "lan");
            if (!lan) throw ScenarioError{lan.error()};
            s.lan = lan.value();
        }
        top.CheckAllKnown();
        CheckCrossReferences(s);
        return Result<Scenario>::Ok(std::move(s));
    } catch (const ScenarioError& e) {
        return Result<Scenario>::Fail(e.message);
    }
}

Result<Scenario> LoadScenarioFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Result<Scenario>::Fail("cannot open " + path.string());
    std::ostringstream text;
    text << file.rdbuf();
    auto result = ParseScenario(text.str());
    if (!result) return Result<Scenario>::Fail(path.string() + ": " + result.error());
    return result;
}

}  // namespace nimbrel::sim
