#include "live/UdtTransport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace nimbrel {
namespace {

// A step that ended without moving data but with the stream intact.
bool IsRetry(int code) {
    return code == CUDTException::ETIMEOUT || code == CUDTException::EASYNCRCV ||
           code == CUDTException::EASYNCSND;
}

bool IsClosed(int code) {
    return code == CUDTException::ECONNLOST || code == CUDTException::ENOCONN;
}

}  // namespace

void UdtStartup() {
    static std::once_flag once;
    std::call_once(once, [] {
        UDT::startup();
        // UDT's collector and queue threads run until its cleanup. Left running at exit, they
        // would go on using the library's globals while those are destroyed (a crash after
        // main returns). Handlers registered now run before the globals constructed earlier
        // are destroyed.
        std::atexit([] { UDT::cleanup(); });
    });
}

UDTSOCKET ListenOnPunchedSocket(UdpSocket& udp, int backlog) {
    UDTSOCKET listener = UDT::socket(AF_INET, SOCK_STREAM, 0);
    if (listener == UDT::INVALID_SOCK) return listener;
    const bool async = false;
    UDT::setsockopt(listener, 0, UDT_SNDSYN, &async, sizeof async);
    UDT::setsockopt(listener, 0, UDT_RCVSYN, &async, sizeof async);
    // UDT's receiver waits on the socket with a time-out, which needs a blocking socket.
    if (!udp.Handle().SetNonBlocking(false) ||
        UDT::bind2(listener, udp.Handle().Fd()) == UDT::ERROR) {
        UDT::close(listener);
        return UDT::INVALID_SOCK;
    }
    // From the bind on the descriptor is UDT's, which closes it with its socket (a while after
    // the close): closing it here as well could close whatever took its number meanwhile.
    udp.Handle().Release();
    if (UDT::listen(listener, backlog) == UDT::ERROR) {
        CloseAtOnce(listener);
        return UDT::INVALID_SOCK;
    }
    return listener;
}

void CloseAtOnce(UDTSOCKET socket) {
    // UDT's default linger holds a close until the peer has taken what was sent; a peer that
    // stopped answering would hold it for tens of seconds.
    const linger none{0, 0};
    UDT::setsockopt(socket, 0, UDT_LINGER, &none, sizeof none);
    UDT::close(socket);
}

UdtTransport::UdtTransport(UDTSOCKET socket) : socket_(socket) {
    // Blocking calls with a bounded wait: each step returns after kStepMs at the latest.
    const bool sync = true;
    const int timeout = kStepMs;
    UDT::setsockopt(socket_, 0, UDT_SNDSYN, &sync, sizeof sync);
    UDT::setsockopt(socket_, 0, UDT_RCVSYN, &sync, sizeof sync);
    UDT::setsockopt(socket_, 0, UDT_SNDTIMEO, &timeout, sizeof timeout);
    UDT::setsockopt(socket_, 0, UDT_RCVTIMEO, &timeout, sizeof timeout);
}

UdtTransport::~UdtTransport() {
    CloseAtOnce(socket_);
}

void UdtTransport::Shutdown() {
    shut_ = true;
}

TransferResult UdtTransport::SendAllLocked(const uint8_t* data, std::size_t size,
                                           const std::atomic<bool>& stop) {
    std::size_t sent = 0;
    while (sent < size) {
        if (stop) return TransferResult::Stopped;
        if (shut_) return TransferResult::Closed;
        const int n = UDT::send(socket_, reinterpret_cast<const char*>(data + sent),
                                static_cast<int>(size - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        const int code = UDT::getlasterror_code();
        if (n == UDT::ERROR && IsClosed(code)) return TransferResult::Closed;
        if (n == UDT::ERROR && !IsRetry(code)) return TransferResult::Failed;
    }
    return TransferResult::Done;
}

TransferResult UdtTransport::ReceiveSome(uint8_t* data, std::size_t capacity,
                                         const std::atomic<bool>& stop, std::size_t& received) {
    received = 0;
    const int most = static_cast<int>(std::min<std::size_t>(capacity, INT32_MAX));
    for (;;) {
        if (stop) return TransferResult::Stopped;
        if (shut_) return TransferResult::Closed;
        const int n = UDT::recv(socket_, reinterpret_cast<char*>(data), most, 0);
        if (n > 0) {
            received = static_cast<std::size_t>(n);
            return TransferResult::Done;
        }
        const int code = UDT::getlasterror_code();
        if (n == UDT::ERROR && IsClosed(code)) return TransferResult::Closed;
        if (n == UDT::ERROR && !IsRetry(code)) return TransferResult::Failed;
    }
}

}  // namespace nimbrel
