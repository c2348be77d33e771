// Sealed reply bodies: the input is split into sk and biz at its first '&'; one input in four
// carries a correctly wrapped key so that the AES and padding paths are reached too, and what
// opens is read as the beans' JSON object.
#include <cstdint>
#include <string>
#include <string_view>

#include "service/ClientKeyPair.h"
#include "service/Sealing.h"
#include "text/Base64.h"
#include "text/JsonText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string goodSk =
        nimbrel::Base64Encode(*nimbrel::ClientKeyPair()->PublicEncrypt("0123456789abcdef"));
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto amp = input.find('&');
    std::string_view sk = input.substr(0, amp);
    const std::string_view biz = amp == std::string_view::npos ? "" : input.substr(amp + 1);
    if (size % 4 == 0) sk = goodSk;
    // Every other input's biz is made valid base64 so that decryption and padding are reached.
    const auto opened =
        nimbrel::OpenSealed(sk, size % 2 ? std::string(biz) : nimbrel::Base64Encode(biz), 1023);
    if (opened) nimbrel::ParseJsonObject(opened->text);
    return 0;
}
