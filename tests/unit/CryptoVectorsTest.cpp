// The cipher and digest building blocks against published test vectors, and RSA against the
// openssl command-line tool in both directions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "service/crypto/Aes128.h"
#include "service/crypto/Des.h"
#include "service/crypto/Digest.h"
#include "service/crypto/Hex.h"
#include "service/crypto/RandomText.h"
#include "service/crypto/Rsa.h"
#include "text/Base64.h"

namespace nimbrel {
namespace {

std::string Bytes(const std::string& hex) { return HexDecode(hex).value(); }

TEST(DesVectors, FipsAndNbsExamples) {
    // The ECB example of FIPS 81 ("Now is the time for all ").
    EXPECT_EQ(HexLower(DesEcbEncrypt(Bytes("0123456789abcdef"), "Now is the time for all ")),
              "3fa40e8a984d48156a271787ab8883f9893d51ec4b563b53");
    EXPECT_EQ(DesEcbDecrypt(Bytes("0123456789abcdef"),
                            Bytes("3fa40e8a984d48156a271787ab8883f9893d51ec4b563b53")),
              "Now is the time for all ");
    // The worked example of the NBS standard.
    EXPECT_EQ(HexLower(DesEcbEncrypt(Bytes("133457799bbcdff1"), Bytes("0123456789abcdef"))),
              "85e813540f0ab405");
    // Parity bits are ignored: flipping bit 0 of every key byte gives the same cipher.
    EXPECT_EQ(DesEcbEncrypt(Bytes("123456789abcdef0"), "abcdefgh"),
              DesEcbEncrypt(Bytes("133557799bbddff1"), "abcdefgh"));
}

TEST(DesVectors, PartialBlockIsZeroFilled) {
    const std::string key = "k3y5ab12";
    EXPECT_EQ(DesEcbEncrypt(key, "abc"), DesEcbEncrypt(key, std::string("abc\0\0\0\0\0", 8)));
}

TEST(DigestVectors, Md5Rfc1321) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(DigestVectors, HmacRfc2202) {
    EXPECT_EQ(HexLower(Hmac(DigestKind::Md5, std::string(16, '\x0b'), "Hi There")),
              "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(HexLower(Hmac(DigestKind::Md5, "Jefe", "what do ya want for nothing?")),
              "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(HexLower(Hmac(DigestKind::Md5, std::string(80, '\xaa'),
                            "Test Using Larger Than Block-Size Key - Hash Key First")),
              "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
    EXPECT_EQ(HexLower(Hmac(DigestKind::Sha1, std::string(20, '\x0b'), "Hi There")),
              "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(HexLower(Hmac(DigestKind::Sha1, "Jefe", "what do ya want for nothing?")),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(HexLower(Hmac(DigestKind::Sha1, std::string(80, '\xaa'),
                            "Test Using Larger Than Block-Size Key - Hash Key First")),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
}

TEST(AesVectors, Fips197) {
    const auto c1 = Aes128EcbEncrypt(Bytes("000102030405060708090a0b0c0d0e0f"),
                                     Bytes("00112233445566778899aabbccddeeff"));
    ASSERT_TRUE(c1);
    ASSERT_EQ(c1->size(), 32u);  // a whole block of padding follows a whole block of text
    EXPECT_EQ(HexLower(c1->substr(0, 16)), "69c4e0d86a7b0430d8cdb78070b4c55a");
    const auto b = Aes128EcbEncrypt(Bytes("2b7e151628aed2a6abf7158809cf4f3c"),
                                    Bytes("3243f6a8885a308d313198a2e0370734"));
    EXPECT_EQ(HexLower(b->substr(0, 16)), "3925841d02dc09fbdc118597196a0b32");
}

TEST(AesVectors, PaddingRoundTripAndRejection) {
    const std::string key = "ABCDEFGHabcdefgh";
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 751u}) {
        const std::string plain(n, 'x');
        const auto cipher = Aes128EcbEncrypt(key, plain);
        ASSERT_TRUE(cipher);
        EXPECT_EQ(cipher->size(), (n / 16 + 1) * 16);
        EXPECT_EQ(Aes128EcbDecrypt(key, *cipher), plain);
    }
    EXPECT_FALSE(Aes128EcbEncrypt("short", "x"));
    EXPECT_FALSE(Aes128EcbDecrypt(key, "fifteen bytes!!"));
    EXPECT_FALSE(Aes128EcbDecrypt(key, ""));
    // A last byte of 0 or above 16 is not padding.
    std::string raw(16, '\0');
    auto encryptedZero = Aes128EcbEncrypt(key, raw);  // two blocks; take the first alone
    EXPECT_FALSE(Aes128EcbDecrypt(key, encryptedZero->substr(0, 16)));
}

TEST(Base64Vectors, Rfc4648) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(Base64Encode(plain), encoded);
        EXPECT_EQ(Base64Decode(encoded), plain);
    }
    EXPECT_EQ(Base64Decode("+/+/"), Bytes("fbffbf"));
}

TEST(Base64Vectors, MalformedTextIsRefused) {
    for (const char* bad : {"Zg=", "Zg", "Z===", "Zm9v!A==", "Zm=v", "=Zm9", "Zg==Zg==", "Zm 9v"})
        EXPECT_FALSE(Base64Decode(bad)) << bad;
}

TEST(HexText, CaseAndOddDigits) {
    EXPECT_EQ(HexLower("\x01\xab"), "01ab");
    EXPECT_EQ(HexUpper("\x01\xab"), "01AB");
    EXPECT_EQ(HexDecode("01aB"), std::string("\x01\xab"));
    EXPECT_EQ(HexDecode("abc"), std::string("\xab\x0c"));  // the last digit alone
    EXPECT_FALSE(HexDecode("0g"));
    EXPECT_FALSE(HexDecode("z"));
}

TEST(RandomText, DrawsOnlyFromTheAlphabetAndVaries) {
    const std::string a = RandomChars(kAesKeyAlphabet, 4096);
    EXPECT_EQ(a.find_first_not_of(kAesKeyAlphabet), std::string::npos);
    // Every one of the 62 characters turns up in 4096 draws (failure odds below 1e-25).
    for (char c : kAesKeyAlphabet) EXPECT_NE(a.find(c), std::string::npos) << c;
    EXPECT_NE(RandomChars(kHexAlphabet, 16), RandomChars(kHexAlphabet, 16));
}

class RsaInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("openssl version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl tool";
        dir_ = std::filesystem::temp_directory_path() /
               ("nimbrel-rsa-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void Write(const std::string& name, const std::string& data) {
        std::ofstream(dir_ / name, std::ios::binary) << data;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int Openssl(const std::string& args) {
        return std::system(("cd " + dir_.string() + " && openssl " + args + " 2>/dev/null").c_str());
    }
    std::filesystem::path dir_;
};

TEST_F(RsaInterop, KeyShapeAndBothDirections) {
    const auto pair = RsaKeyPair::Generate(1024);
    ASSERT_TRUE(pair);
    EXPECT_TRUE(pair->Check());
    EXPECT_EQ(pair->ExponentHex(), "010001");
    EXPECT_EQ(pair->ModulusHex().size(), 256u);
    EXPECT_EQ(pair->ModulusHex().find_first_not_of("0123456789ABCDEF"), std::string::npos);

    // The tool encrypts to our public key; we decrypt.
    Write("pub.pem", pair->PublicPem());
    Write("plain.bin", "0123456789abcdef");
    ASSERT_EQ(Openssl("pkeyutl -encrypt -pubin -inkey pub.pem -pkeyopt rsa_padding_mode:pkcs1 "
                      "-in plain.bin -out cipher.bin"), 0);
    EXPECT_EQ(pair->PrivateDecrypt(Read("cipher.bin")), "0123456789abcdef");

    // We encrypt to the hex key; the tool decrypts.
    const auto cipher = RsaPublicEncrypt(pair->ExponentHex(), pair->ModulusHex(), "ABCDEFGHabcdefgh");
    ASSERT_TRUE(cipher);
    EXPECT_EQ(cipher->size(), 128u);
    Write("priv.pem", pair->PrivatePem());
    Write("ours.bin", *cipher);
    ASSERT_EQ(Openssl("pkeyutl -decrypt -inkey priv.pem -pkeyopt rsa_padding_mode:pkcs1 "
                      "-in ours.bin -out back.bin"), 0);
    EXPECT_EQ(Read("back.bin"), "ABCDEFGHabcdefgh");
}

TEST(Rsa, BadInputFailsCleanly) {
    const auto pair = RsaKeyPair::Generate(1024);
    ASSERT_TRUE(pair);
    EXPECT_FALSE(pair->PrivateDecrypt("garbage"));
    EXPECT_FALSE(pair->PrivateDecrypt(std::string(128, '\x01')));
    EXPECT_FALSE(RsaPublicEncrypt("01000G", pair->ModulusHex(), "x"));
    EXPECT_FALSE(RsaPublicEncrypt("010001", "", "x"));
    EXPECT_FALSE(RsaPublicEncrypt("010001", pair->ModulusHex(), std::string(200, 'x')));  // too long
}

}  // namespace
}  // namespace nimbrel
