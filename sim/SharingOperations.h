// bindUserList.do, addUser.do and deleteBindUser.do on the service side: the accounts a
// device is shared with, changed for the rest of the run.
// Threading: handlers may be called from any thread; state lives in the account book.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class SharingOperations {
  public:
    explicit SharingOperations(AccountBook& book) : book_(book) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> List(const DecodedRequest& request);
    Result<ServiceReply> Add(const DecodedRequest& request);
    Result<ServiceReply> Remove(const DecodedRequest& request);

  private:
    AccountBook& book_;
};

}  // namespace nimbrel::sim
