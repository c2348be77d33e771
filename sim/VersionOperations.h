// checkVersion.do (handshake-style) and saveAdvise.do (token-signed) on the service side: the
// newest client the scenario names, and the feedback users send.
// Threading: handlers may be called from any thread; state lives in the account book.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "Scenario.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class VersionOperations {
  public:
    VersionOperations(AccountBook& book, VersionSpec newest) : book_(book), newest_(newest) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Check(const DecodedRequest& request);
    Result<ServiceReply> Advise(const DecodedRequest& request);

  private:
    AccountBook& book_;
    VersionSpec newest_;
};

}  // namespace nimbrel::sim
