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

ServiceKeys::ServiceKeys(ServiceKeys&& other) noexcept
    : pair_(std::move(other.pair_)), keyValue_(std::move(other.keyValue_)) {}

std::shared_ptr<const RsaKeyPair> ServiceKeys::Pair() const {
    std::lock_guard guard(lock_);
    return pair_;
}

std::string ServiceKeys::PublicKeyText() const {
    const auto pair = Pair();
    return pair->ExponentHex() + ":" + pair->ModulusHex();
}

bool ServiceKeys::RenewPair() {
    auto pair = RsaKeyPair::Generate(1024);
    if (!pair) return false;
    auto fresh = std::make_shared<const RsaKeyPair>(std::move(*pair));
    std::lock_guard guard(lock_);
    pair_ = std::move(fresh);
    return true;
}

}  // namespace nimbrel::sim
