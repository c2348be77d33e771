// A stream port that never serves, for the connect faults. Refusing: the port is bound but
// not listening, so a connect is answered with a reset at once. Unanswered: the port listens
// with a backlog of zero and its accept queue is filled by the simulator's own connections
// that are never accepted; the kernel then drops further SYNs without an answer, so a
// client's connect neither succeeds nor fails until its own time-out, all on loopback.
// Threading: Open and Close from the owning thread.
#pragma once

#include <vector>

#include "Result.h"
#include "platform/SocketHandle.h"

namespace nimbrel::sim {

class BlockedPort {
  public:
    enum class Kind { Refusing, Unanswered };

    // Binds 127.0.0.1:port (0: ephemeral) and returns the port.
    Result<int> Open(Kind kind, int port);
    void Close();

  private:
    Result<int> FillAcceptQueue();

    SocketHandle socket_;
    std::vector<SocketHandle> fillers_;
};

}  // namespace nimbrel::sim
