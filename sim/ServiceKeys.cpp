#include "ServiceKeys.h"

#include "service/crypto/RandomText.h"

namespace nimbrel::sim {

Result<ServiceKeys> ServiceKeys::Create(std::string_view keyValue) {
    auto pair = RsaKeyPair::Generate(1024);
    if (!pair) return Result<ServiceKeys>::Fail("cannot generate the service key pair");
    std::string value = keyValue.empty() ? RandomChars(kHexAlphabet, 4) : std::string(keyValue);
    if (value.size() != 4) return Result<ServiceKeys>::Fail("keyValue must be 4 characters");
    return Result<ServiceKeys>::Ok(ServiceKeys(std::move(*pair), std::move(value)));
}

std::string ServiceKeys::PublicKeyText() const {
    return pair_.ExponentHex() + ":" + pair_.ModulusHex();
}

}  // namespace nimbrel::sim
