// RSA with PKCS#1 v1.5 padding: the client's key pair and encryption to a peer's hex key.
// Threading: a key pair is immutable once made; its methods may be called from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

typedef struct evp_pkey_st EVP_PKEY;

namespace nimbrel {

class RsaKeyPair {
public:
    // Generates a new pair with public exponent 65537; nothing on failure.
    static std::optional<RsaKeyPair> Generate(int bits = 1024);
    // Reads a private key in PEM form.
    static std::optional<RsaKeyPair> FromPrivatePem(std::string_view pem);

    // Public exponent and modulus as upper-case hex of whole bytes ("010001").
    std::string ExponentHex() const;
    std::string ModulusHex() const;
    std::string PrivatePem() const;
    std::string PublicPem() const;
    // The library's consistency check of the private key.
    bool Check() const;

    std::optional<std::string> PrivateDecrypt(std::string_view cipher) const;
    std::optional<std::string> PublicEncrypt(std::string_view plain) const;

private:
    explicit RsaKeyPair(EVP_PKEY* key);
    std::shared_ptr<EVP_PKEY> key_;
};

// Encrypts with the public key given by its exponent and modulus in hex (any case).
// Nothing when the hex is not a number or the plain text is too long for the key.
std::optional<std::string> RsaPublicEncrypt(std::string_view expHex, std::string_view modHex,
                                            std::string_view plain);

}  // namespace nimbrel
