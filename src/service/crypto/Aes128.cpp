#include "service/crypto/Aes128.h"

#include <openssl/evp.h>

#include <memory>

#include "platform/WipedText.h"

namespace nimbrel {
namespace {

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Runs raw AES-128-ECB over whole blocks; padding is handled by the callers.
std::optional<std::string> RunBlocks(std::string_view key, std::string_view data, int encrypt) {
    if (key.size() != 16 || data.size() % 16 != 0) return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx) return std::nullopt;
    const auto* k = reinterpret_cast<const unsigned char*>(key.data());
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, k, nullptr, encrypt) != 1)
        return std::nullopt;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    std::string out(data.size(), '\0');
    int len = 0;
    if (EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &len,
                         reinterpret_cast<const unsigned char*>(data.data()),
                         static_cast<int>(data.size())) != 1)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(len));
    return out;
}

}  // namespace

std::optional<std::string> Aes128EcbEncrypt(std::string_view key, std::string_view plain) {
    // The padded copy of the plain text (a payload may carry a credential) is wiped after use;
    // its room is reserved so that the padding never moves it.
    const std::size_t pad = 16 - plain.size() % 16;
    std::string padded;
    padded.reserve(plain.size() + pad);
    padded.append(plain).append(pad, static_cast<char>(pad));
    auto cipher = RunBlocks(key, padded, 1);
    WipeText(padded);
    return cipher;
}

std::optional<std::string> Aes128EcbDecrypt(std::string_view key, std::string_view cipher) {
    if (cipher.empty()) return std::nullopt;
    auto plain = RunBlocks(key, cipher, 0);
    if (!plain) return std::nullopt;
    const auto pad = static_cast<unsigned char>(plain->back());
    if (pad < 1 || pad > 16) return std::nullopt;
    plain->resize(plain->size() - pad);
    return plain;
}

}  // namespace nimbrel
