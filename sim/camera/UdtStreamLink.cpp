#include "camera/UdtStreamLink.h"

#include <arpa/inet.h>

namespace nimbrel::sim {
namespace {

constexpr int kStepMs = 200;

bool IsTimeout(int code) {
    return code == CUDTException::ETIMEOUT || code == CUDTException::EASYNCRCV ||
           code == CUDTException::EASYNCSND;
}

}  // namespace

UdtStreamLink::UdtStreamLink(UDTSOCKET socket, const std::atomic<bool>* stop)
    : socket_(socket), stop_(stop) {
    const bool yes = true;
    UDT::setsockopt(socket_, 0, UDT_SNDSYN, &yes, sizeof yes);
    UDT::setsockopt(socket_, 0, UDT_RCVSYN, &yes, sizeof yes);
    UDT::setsockopt(socket_, 0, UDT_SNDTIMEO, &kStepMs, sizeof kStepMs);
    const linger noLinger{0, 0};
    UDT::setsockopt(socket_, 0, UDT_LINGER, &noLinger, sizeof noLinger);
    sockaddr_in address{};
    int length = sizeof address;
    if (UDT::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        peer_ = std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
    }
}

UdtStreamLink::~UdtStreamLink() {
    Close();
}

StreamLink::Receive UdtStreamLink::ReceiveSome(std::span<uint8_t> buffer, int waitMs,
                                               std::size_t& got) {
    got = 0;
    if (closed_) return Receive::Closed;
    UDT::setsockopt(socket_, 0, UDT_RCVTIMEO, &waitMs, sizeof waitMs);
    const int n = UDT::recv(socket_, reinterpret_cast<char*>(buffer.data()),
                            static_cast<int>(buffer.size()), 0);
    if (n > 0) {
        got = static_cast<std::size_t>(n);
        return Receive::Data;
    }
    if (n == UDT::ERROR && IsTimeout(UDT::getlasterror_code())) return Receive::TimedOut;
    if (n == 0) return Receive::TimedOut;
    const int code = UDT::getlasterror_code();
    return code == CUDTException::ECONNLOST || code == CUDTException::ENOCONN ? Receive::Closed
                                                                              : Receive::Failed;
}

bool UdtStreamLink::SendAll(std::string_view bytes) {
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < bytes.size()) {
        if (closed_ || (stop_ && stop_->load())) return false;
        const int n =
            UDT::send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            waitedMs = 0;
        } else if ((n == 0 || IsTimeout(UDT::getlasterror_code())) && waitedMs < kSendWaitMs) {
            waitedMs += kStepMs;
        } else {
            return false;
        }
    }
    return true;
}

void UdtStreamLink::Close() {
    if (!closed_.exchange(true)) UDT::close(socket_);
}

}  // namespace nimbrel::sim
