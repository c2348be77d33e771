// The thumbnails of the devices in the tree: the downloaded bytes of each device's picture,
// kept after a failed download so the previous picture stays.
// Threading: any thread; a picture is handed out as a shared, immutable byte block, so a refresh
// replacing it never frees what a painter is still reading.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "devices/DeviceListLoader.h"
#include "devices/DeviceTreeModel.h"

namespace nimbrel {

class DeviceThumbnails {
public:
    using Bytes = std::shared_ptr<const std::vector<unsigned char>>;

    // The bytes of the device's picture when they are a PNG (bytes 1..3 "PNG"), else null: the
    // default thumbnail is shown.
    Bytes Png(int deviceIndex) const;

    // Downloads the picture of every device in the tree whose img is set ("scheme://host" + img).
    // Returns false when a picture could not be downloaded; pictures that could keep theirs.
    bool Load(const DeviceServiceContext& ctx, const DeviceTreeModel& tree, const DeviceList& list);

    static bool IsPng(const std::vector<unsigned char>& bytes);

private:
    mutable std::mutex lock_;
    std::map<int, Bytes> pictures_;
};

}  // namespace nimbrel
