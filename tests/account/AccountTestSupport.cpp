#include "AccountTestSupport.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "LocalHttpServer.h"
#include "platform/FixedText.h"
#include "service/ClientKeyPair.h"
#include "service/ServiceCipher.h"
#include "service/crypto/Aes128.h"
#include "service/crypto/Rsa.h"
#include "text/Base64.h"
#include "text/JsonText.h"

namespace nimbrel::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-acct-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void KeySettingsLocally(GlobalSettings& g, int port) {
    InitGlobalSettings(g);
    const RsaKeyPair* pair = ClientKeyPair();
    if (!pair) throw std::runtime_error("no client key pair");
    SetText(g.m_RsaExp, pair->ExponentHex());
    SetText(g.m_RsaMod, pair->ModulusHex());
    SetText(g.m_ServerExp, pair->ExponentHex());
    SetText(g.m_ServerMod, pair->ModulusHex());
    SetText(g.m_KeyValue, "a1b2");
    SetText(g.m_StreamKey, "a1b2");
    SetText(g.m_Timestamp, "1700000000");
    SetText(g.m_Mac, "02-00-00-00-00-01");
    SetText(g.m_Host, "127.0.0.1");
    g.m_Port = static_cast<uint16_t>(port);
}

std::string WrappedReply(const GlobalSettings& g, const Json::Value& reply) {
    return WrappedText(g, CompactJson(reply));
}

std::string WrappedText(const GlobalSettings& g, std::string text) {
    return DesWrap(g, text);
}

std::string SealedReply(const GlobalSettings& g, const std::string& status,
                        const Json::Value& inner) {
    const std::string key = "0123456789abcdef";
    const auto sk = RsaPublicEncrypt(GetText(g.m_RsaExp), GetText(g.m_RsaMod), key);
    const auto biz = Aes128EcbEncrypt(key, CompactJson(inner));
    if (!sk || !biz) throw std::runtime_error("cannot seal a reply");
    Json::Value reply(Json::objectValue);
    reply["status"] = status;
    reply["sk"] = Base64Encode(*sk);
    reply["biz"] = Base64Encode(*biz);
    return WrappedReply(g, reply);
}

std::string HttpReply(const std::string& body) {
    return LocalHttpServer::Reply(200, body);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace nimbrel::test
