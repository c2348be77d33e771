// The directory part of a camera: what the service and LAN discovery say about one device.
// The live-view object extends it; records are created by the device list and never freed.
// Threading: fields fixed at creation (sid, lockPsd, type, version, img) are read freely; the
// others change after publication and are atomics or guarded by the record's own lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace nimbrel {

// The device fields as one page of the service's list gives them, already checked and cut.
struct DeviceFields {
    int32_t showLED = 0;
    int32_t showSound = 0;
    std::string sid;      // at most 17 characters
    std::string name;     // UTF-8, at most 259 UTF-16 units
    int32_t showAlarm = 0;
    int32_t alarmStatus = 0;
    int32_t alarmStartTime = 0;
    int32_t alarmEndTime = 0;
    int32_t ledStatus = 0;
    int32_t soundLeadStatus = 0;
    int32_t lock = 0;
    std::string lockPsd;  // at most 259 characters
    std::string type;     // at most 15
    std::string version;  // at most 15
    std::string img;      // at most 259
    int32_t init = 0;
    int32_t status = 0;
};

// Where LAN discovery last found the device.
struct LanAddress {
    std::string ip;   // dotted text, at most 16 characters
    std::string mac;  // "aa:bb:cc:dd:ee:ff" as the device sent it
    uint16_t port = 0;
};

class DeviceRecord {
public:
    DeviceRecord() = default;
    virtual ~DeviceRecord() = default;
    DeviceRecord(const DeviceRecord&) = delete;
    DeviceRecord& operator=(const DeviceRecord&) = delete;

    // Fills a new record from a list page: seen = 1, not on the LAN.
    void Assign(const DeviceFields& fields);

    std::atomic<int32_t> showLED{0};
    std::atomic<int32_t> showSound{0};
    std::atomic<int32_t> onLan{0};
    char sid[18] = {};
    std::atomic<int32_t> showAlarm{0};
    std::atomic<int32_t> alarmStatus{0};
    std::atomic<int32_t> alarmStartTime{0};
    std::atomic<int32_t> alarmEndTime{0};
    std::atomic<int32_t> ledStatus{0};
    std::atomic<int32_t> soundLeadStatus{0};
    std::atomic<int32_t> lock{0};
    char lockPsd[260] = {};
    char type[16] = {};
    char version[16] = {};
    char img[260] = {};
    std::atomic<int32_t> init{0};
    std::atomic<int32_t> status{0};
    std::atomic<int32_t> seen{0};

    std::string_view Sid() const;
    bool IsOnline() const { return status.load() == 1; }
    bool IsOwner() const { return init.load() == 1; }

    // The display name (UTF-8); a new one is cut to 259 UTF-16 units.
    std::string Name() const;
    void SetName(std::string_view utf8);

    LanAddress Lan() const;
    void SetLan(const LanAddress& address);

private:
    mutable std::mutex textLock_;
    std::string name_;
    LanAddress lan_;
};

}  // namespace nimbrel
