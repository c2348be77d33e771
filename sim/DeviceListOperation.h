// devList.do on the service side: one page of the devices bound to a signed-in account, as
// device records whose text members are JSON strings and whose "status" and "init" are
// numbers. The scenario can hold replies back and break the member types of one page.
// Threading: Handle may be called from any thread; Cancel from any thread ends the waits of
// held-back replies at once.
#pragma once

#include <condition_variable>
#include <mutex>

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "DirectorySpec.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class DeviceListOperation {
  public:
    DeviceListOperation(const AccountBook& book, DeviceListSpec setup) : book_(book), spec_(setup) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Handle(const DecodedRequest& request);
    void Cancel();

    // The largest page size served, and the largest page number.
    static constexpr int kMaxPageSize = 100;
    static constexpr int kMaxPage = 1000000;

    // One device record as the list reports it to an account (`init` 1 owner, 2 shared).
    static OrderedJson RecordJson(const DeviceSpec& device, int init, ListMistype mistype);

  private:
    // Waits the scenario's delay; false when cancelled.
    bool HoldBack();

    const AccountBook& book_;
    DeviceListSpec spec_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool cancelled_ = false;
};

}  // namespace nimbrel::sim
