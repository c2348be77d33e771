#include "devices/DeviceThumbnails.h"

#include "platform/FixedText.h"
#include "service/HttpTransport.h"

namespace nimbrel {

bool DeviceThumbnails::IsPng(const std::vector<unsigned char>& b) {
    return b.size() >= 4 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}

DeviceThumbnails::Bytes DeviceThumbnails::Png(int deviceIndex) const {
    std::lock_guard guard(lock_);
    const auto it = pictures_.find(deviceIndex);
    if (it == pictures_.end() || !IsPng(*it->second)) return nullptr;
    return it->second;
}

bool DeviceThumbnails::Load(const DeviceServiceContext& ctx, const DeviceTreeModel& tree,
                            const DeviceList& list) {
    bool all = true;
    for (const TreeGroup& group : tree.Groups())
        for (int index : group.devices) {
            const DeviceRecord* device = list.At(index);
            if (!device || GetText(device->img).empty()) continue;
            const std::string url = std::string(GetText(ctx.g.m_Scheme)) + "://" +
                                    std::string(GetText(ctx.g.m_Host)) + std::string(GetText(device->img));
            std::vector<unsigned char> bytes;
            std::size_t count = 0;
            if (!HttpGetImage(ctx.g, url, bytes, count, ctx.http)) {
                all = false;
                continue;
            }
            auto picture = std::make_shared<const std::vector<unsigned char>>(std::move(bytes));
            std::lock_guard guard(lock_);
            pictures_[index] = std::move(picture);
        }
    return all;
}

}  // namespace nimbrel
