// A one-purpose HTTP server on 127.0.0.1 for transport tests: it answers every request with a
// canned reply, or accepts connections and never answers.
// Threading: owns one accept thread; construct and destroy on the test's thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel::test {

class LocalHttpServer {
public:
    // `rawReply` is sent as it stands (status line, headers, body); empty means never answer.
    explicit LocalHttpServer(std::string rawReply);
    ~LocalHttpServer();

    int Port() const { return port_; }
    // The request line and headers of the last request received.
    std::string LastRequest() const;

    // A complete reply with Content-Length and the given extra header lines.
    static std::string Reply(int status, const std::string& body,
                             const std::string& extraHeaders = "");

private:
    void Serve();

    int listenFd_ = -1;
    int port_ = 0;
    std::string reply_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lastLock_;
    std::string last_;
    std::thread thread_;
};

}  // namespace nimbrel::test
