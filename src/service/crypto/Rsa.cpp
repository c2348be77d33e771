#include "service/crypto/Rsa.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

namespace nimbrel {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Bignum = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::string BignumParamHex(EVP_PKEY* key, const char* name) {
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1) return {};
    Bignum bn(raw);
    char* hex = BN_bn2hex(bn.get());
    if (!hex) return {};
    std::string out(hex);
    OPENSSL_free(hex);
    return out;
}

std::optional<std::string> Crypt(EVP_PKEY* key, std::string_view in, bool encrypt) {
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
    if (!ctx) return std::nullopt;
    if ((encrypt ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get())) != 1)
        return std::nullopt;
    if (EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1) return std::nullopt;
    const auto* src = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t outLen = 0;
    auto run = encrypt ? EVP_PKEY_encrypt : EVP_PKEY_decrypt;
    if (run(ctx.get(), nullptr, &outLen, src, in.size()) != 1) return std::nullopt;
    std::string out(outLen, '\0');
    if (run(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &outLen, src, in.size()) != 1)
        return std::nullopt;
    out.resize(outLen);
    return out;
}

std::string WritePem(EVP_PKEY* key, bool privatePart) {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio) return {};
    const int ok = privatePart ? PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0,
                                                          nullptr, nullptr)
                               : PEM_write_bio_PUBKEY(bio.get(), key);
    if (ok != 1) return {};
    char* data = nullptr;
    const long len = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(len));
}

}  // namespace

RsaKeyPair::RsaKeyPair(EVP_PKEY* key) : key_(key, EVP_PKEY_free) {}

std::optional<RsaKeyPair> RsaKeyPair::Generate(int bits) {
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1) return std::nullopt;
    if (EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) != 1) return std::nullopt;
    EVP_PKEY* key = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &key) != 1) return std::nullopt;
    return RsaKeyPair(key);
}

std::optional<RsaKeyPair> RsaKeyPair::FromPrivatePem(std::string_view pem) {
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) return std::nullopt;
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr);
    if (!key) return std::nullopt;
    return RsaKeyPair(key);
}

std::string RsaKeyPair::ExponentHex() const { return BignumParamHex(key_.get(), OSSL_PKEY_PARAM_RSA_E); }
std::string RsaKeyPair::ModulusHex() const { return BignumParamHex(key_.get(), OSSL_PKEY_PARAM_RSA_N); }
std::string RsaKeyPair::PrivatePem() const { return WritePem(key_.get(), true); }
std::string RsaKeyPair::PublicPem() const { return WritePem(key_.get(), false); }

bool RsaKeyPair::Check() const {
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key_.get(), nullptr));
    return ctx && EVP_PKEY_check(ctx.get()) == 1;
}

std::optional<std::string> RsaKeyPair::PrivateDecrypt(std::string_view cipher) const {
    return Crypt(key_.get(), cipher, false);
}

std::optional<std::string> RsaKeyPair::PublicEncrypt(std::string_view plain) const {
    return Crypt(key_.get(), plain, true);
}

std::optional<std::string> RsaPublicEncrypt(std::string_view expHex, std::string_view modHex,
                                            std::string_view plain) {
    auto parse = [](std::string_view hex) -> Bignum {
        if (hex.empty() || hex.size() > 2048) return nullptr;
        const std::string text(hex);
        BIGNUM* bn = nullptr;
        if (BN_hex2bn(&bn, text.c_str()) != static_cast<int>(text.size())) {
            BN_free(bn);
            return nullptr;
        }
        return Bignum(bn);
    };
    Bignum e = parse(expHex), n = parse(modHex);
    if (!e || !n || BN_is_zero(n.get())) return std::nullopt;

    std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>> build(
        OSSL_PARAM_BLD_new());
    if (!build || OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
        OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) != 1)
        return std::nullopt;
    std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>> params(
        OSSL_PARAM_BLD_to_param(build.get()));
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1) return std::nullopt;
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        return std::nullopt;
    std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>> key(raw);
    return Crypt(key.get(), plain, true);
}

}  // namespace nimbrel
