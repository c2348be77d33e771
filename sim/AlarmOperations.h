// setAlarm.do and setAlarmTime.do on the service side: a device's alarm switch and daily
// hours, kept for the rest of the run.
// Threading: handlers may be called from any thread; state lives in the account book.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class AlarmOperations {
  public:
    explicit AlarmOperations(AccountBook& book) : book_(book) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Switch(const DecodedRequest& request);
    Result<ServiceReply> Hours(const DecodedRequest& request);

  private:
    AccountBook& book_;
};

}  // namespace nimbrel::sim
