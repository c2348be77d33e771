// The process-wide table of the account's devices: at most 512 records, only ever appended, so
// an index names the same device for the life of the process.
// Threading: any thread may read. Appending is serialised by WriterLock(); a record is complete
// before the count that reveals it is raised (release/acquire), so readers see whole records.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

#include "devices/DeviceRecord.h"

namespace nimbrel {

class DeviceList {
public:
    static constexpr int kMaxDevices = 512;
    using RecordFactory = std::function<std::unique_ptr<DeviceRecord>()>;

    DeviceList();

    // Which object a new record is (the live-view layer makes cameras); set before loading.
    void SetRecordFactory(RecordFactory factory);

    int Count() const { return count_.load(std::memory_order_acquire); }
    // The record at `index`, or null outside 0..Count()-1.
    DeviceRecord* At(int index) const;
    // The index of the record with exactly this sid, or -1.
    int IndexOfSid(std::string_view sid) const;

    // Creates a record from `fields` and appends it; -1 when the list is full (nothing added).
    // Callers hold WriterLock().
    int Append(const DeviceFields& fields);

    // Held by whoever appends or rewrites records (initial load, manual and periodic refresh),
    // so that two refreshes never append the same new device twice.
    std::mutex& WriterLock() { return writerLock_; }

private:
    RecordFactory factory_;
    std::array<std::unique_ptr<DeviceRecord>, kMaxDevices> devices_;
    std::atomic<int> count_{0};
    std::mutex writerLock_;
};

// The one list of the program.
extern DeviceList deviceList;

}  // namespace nimbrel
