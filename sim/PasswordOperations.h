// initPassword.do (the three recovery steps) and changePassword.do on the service side.
// Threading: handlers may be called from any thread; state lives in the account book.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class PasswordOperations {
  public:
    explicit PasswordOperations(AccountBook& book) : book_(book) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Recover(const DecodedRequest& request);
    Result<ServiceReply> Change(const DecodedRequest& request);

  private:
    Result<ServiceReply> Identify(const DecodedRequest& request);
    Result<ServiceReply> Answer(const DecodedRequest& request);
    Result<ServiceReply> Reset(const DecodedRequest& request);
    AccountBook& book_;
};

}  // namespace nimbrel::sim
