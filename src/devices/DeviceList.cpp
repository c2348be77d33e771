#include "devices/DeviceList.h"

namespace nimbrel {

DeviceList deviceList;

DeviceList::DeviceList() : factory_([] { return std::make_unique<DeviceRecord>(); }) {}

void DeviceList::SetRecordFactory(RecordFactory factory) {
    std::lock_guard guard(writerLock_);
    factory_ = std::move(factory);
}

DeviceRecord* DeviceList::At(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return devices_[static_cast<std::size_t>(index)].get();
}

int DeviceList::IndexOfSid(std::string_view sid) const {
    const int n = Count();
    for (int i = 0; i < n; ++i)
        if (devices_[static_cast<std::size_t>(i)]->Sid() == sid) return i;
    return -1;
}

int DeviceList::Append(const DeviceFields& fields) {
    const int index = count_.load(std::memory_order_relaxed);
    if (index >= kMaxDevices) return -1;
    std::unique_ptr<DeviceRecord> record = factory_();
    if (!record) return -1;
    record->Assign(fields);
    devices_[static_cast<std::size_t>(index)] = std::move(record);
    count_.store(index + 1, std::memory_order_release);
    return index;
}

}  // namespace nimbrel
