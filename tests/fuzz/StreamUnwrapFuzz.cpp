// Control messages read from a camera's stream, in packet and datagram form, and the input
// itself as a message's plain text.
#include <cstdint>
#include <string_view>

#include "live/StreamCipher.h"
#include "text/JsonText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view packet(reinterpret_cast<const char*>(data), size);
    if (const auto text = nimbrel::StreamUnwrap("k9k9", packet)) nimbrel::ParseJsonObject(*text);
    if (const auto text = nimbrel::StreamUnwrap16("k9k9", packet)) nimbrel::ParseJsonObject(*text);
    nimbrel::ParseJsonObject(packet);
    return 0;
}
