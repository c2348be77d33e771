// Shared pieces of the account tests: a scratch folder, settings keyed for sealing without a
// service, and reply bodies as the service would send them.
#pragma once

#include <json/value.h>

#include <filesystem>
#include <string>

#include "service/GlobalSettings.h"

namespace nimbrel::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Fills what requests need after a handshake, with the client's own key standing in for the
// service's so that sealed requests can be built; the service is 127.0.0.1 on `port`.
void KeySettingsLocally(GlobalSettings& g, int port);

// A reply body wrapped as the service wraps it: `reply` as JSON, DES-wrapped under m_KeyValue.
std::string WrappedReply(const GlobalSettings& g, const Json::Value& reply);
// Any text wrapped the same way, for replies that are not JSON a writer would make.
std::string WrappedText(const GlobalSettings& g, std::string text);
// A reply with `status` and a sealed body (sk/biz) carrying `inner`, sealed to the client key.
std::string SealedReply(const GlobalSettings& g, const std::string& status,
                        const Json::Value& inner);
// A whole HTTP response carrying `body`.
std::string HttpReply(const std::string& body);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace nimbrel::test
