#include "media/ParameterSets.h"

#include <algorithm>

#include "text/Base64.h"

namespace nimbrel {

std::optional<ParameterSetRecord> ParameterSetRecord::FromBase64(std::string_view text) {
    const auto nal = Base64Decode(text);
    if (!nal || nal->size() > kMaxNalBytes) return std::nullopt;
    ParameterSetRecord record;
    record.bytes[3] = 1;
    std::copy(nal->begin(), nal->end(), record.bytes.begin() + kStartCodeBytes);
    record.bytes[kRecordBytes - 1] = static_cast<uint8_t>(nal->size());
    return record;
}

}  // namespace nimbrel
