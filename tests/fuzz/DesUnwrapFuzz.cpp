// The outer decipher of service replies, both key forms, on arbitrary bodies, and the reading
// of the deciphered text as the reply's JSON object.
#include <cstdint>
#include <string_view>

#include "platform/FixedText.h"
#include "service/ServiceCipher.h"
#include "text/JsonText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static nimbrel::GlobalSettings g;
    nimbrel::SetText(g.m_KeyValue, "1a2b");
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    if (const auto text = nimbrel::DesUnwrap(g, reply)) nimbrel::ParseJsonObject(*text);
    if (const auto text = nimbrel::DesUnwrap8(reply)) nimbrel::ParseJsonObject(*text);
    return 0;
}
