// login.do on the service side: checks the account and password, issues the login token, and
// names the relay and detection servers (the simulator's own, on 127.0.0.1).
// Threading: Handle may be called from any thread; state lives in the account book.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

// The server endpoints a login reply names; all on 127.0.0.1.
struct NamedServers {
    int relayTcp = 0, relayUdp = 0;
    int firstTcp = 0, firstUdp = 0;
    int secondTcp = 0, secondUdp = 0;
};

class LoginOperation {
  public:
    LoginOperation(AccountBook& book, NamedServers servers) : book_(book), servers_(servers) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Handle(const DecodedRequest& request);

  private:
    AccountBook& book_;
    NamedServers servers_;
};

}  // namespace nimbrel::sim
