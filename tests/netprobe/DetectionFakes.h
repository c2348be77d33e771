// Small loopback stand-ins for the detection servers, scripted by each test: a UDP pair that
// answers each probe request as the test says (or not at all, or with broken datagrams), and a
// TCP server that answers the greeting, stays silent or closes.
// Threading: each fake serves on its own thread; construct and query on the test's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/TcpListener.h"
#include "platform/UdpSocket.h"
#include "service/GlobalSettings.h"

namespace nimbrel::test {

enum class Server { First, Second };

// A 24-byte answer: type, port as decimal text in bytes 1-7, address with its NUL in 8-23.
std::vector<uint8_t> EchoDatagram(int type, int port, const std::string& address);

class FakeUdpDetection {
  public:
    struct Request {
        Server server;
        std::vector<uint8_t> bytes;
        Ipv4Endpoint from;
    };
    // The datagrams sent back for a request (none: it stays unanswered).
    using Script = std::function<std::vector<std::vector<uint8_t>>(Server, int type,
                                                                   const Ipv4Endpoint& from)>;

    explicit FakeUdpDetection(Script script);
    ~FakeUdpDetection();

    // Names both servers as the detection servers of `g`.
    void Fill(GlobalSettings& g) const;
    std::vector<Request> Requests() const;
    int Count(Server server, int type) const;

  private:
    void Serve();

    Script script_;
    std::optional<UdpSocket> first_, second_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<Request> requests_;
    std::thread thread_;
};

class GreetingServer {
  public:
    enum class Mode { Answer, Silent, Close };

    explicit GreetingServer(Mode mode);
    ~GreetingServer();
    int Port() const { return listener_.Local().port; }

    // Waits until the greeting arrived; returns its bytes (empty after 30 s without one).
    std::vector<uint8_t> Greeting();

  private:
    void Serve();

    Mode mode_;
    TcpListener listener_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<uint8_t> greeting_;
    std::thread thread_;
};

}  // namespace nimbrel::test
