// One detection server on 127.0.0.1: a UDP socket that echoes the address and port it saw
// (a second UDP socket answers the requests that must come from another port), and a TCP
// socket that answers the greeting. The scenario's shapes decide what is answered.
// Threading: Start and Stop from the owning thread; one serving thread per server.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "OrderedJson.h"
#include "ProbeShape.h"
#include "Result.h"
#include "Scenario.h"

namespace nimbrel::sim {

class RequestLog;

class DetectionServer {
  public:
    DetectionServer(DetectionRole role, UdpShape udpShape, Mapping mapping, TcpShape tcpShape,
                    RequestLog* log);
    ~DetectionServer();
    DetectionServer(const DetectionServer&) = delete;
    DetectionServer& operator=(const DetectionServer&) = delete;

    // Binds the ports asked for (0: ephemeral) and starts serving; returns the bound ports.
    Result<EndpointSpec> Start(EndpointSpec wanted);
    void Stop();

    // The greeting packet layout: 16-byte header (byte 0 zero, bytes 4-7 the JSON length,
    // little-endian), then the JSON text.
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kMaxJson = 4096;
    static std::string Frame(const std::string& json);

  private:
    struct TcpClient {
        int fd = -1;
        std::string from;
        std::string buffer;
        bool answered = false;
    };
    void Run();
    void ServeUdp();
    void AcceptTcp();
    // False when the connection is to be closed.
    bool ServeTcp(TcpClient& client);
    void Log(OrderedJson line);

    DetectionRole role_;
    UdpShape udpShape_;
    Mapping mapping_;
    TcpShape tcpShape_;
    RequestLog* log_;
    int udpFd_ = -1;
    int otherUdpFd_ = -1;
    int tcpFd_ = -1;
    std::vector<TcpClient> clients_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace nimbrel::sim
