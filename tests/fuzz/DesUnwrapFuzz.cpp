// The outer decipher of service replies, both key forms, on arbitrary bodies.
#include <cstdint>
#include <string_view>

#include "platform/FixedText.h"
#include "service/ServiceCipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static nimbrel::GlobalSettings g;
    nimbrel::SetText(g.m_KeyValue, "1a2b");
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    nimbrel::DesUnwrap(g, reply);
    nimbrel::DesUnwrap8(reply);
    return 0;
}
