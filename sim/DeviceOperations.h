// devName.do, deleteDev.do, setLed.do and setVoice.do on the service side: a signed-in
// account renames, removes or switches one of its devices; the change lasts for the run and
// shows in the next device list.
// Threading: handlers may be called from any thread; state lives in the account book.
#pragma once

#include <string>
#include <string_view>

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class DeviceOperations {
  public:
    explicit DeviceOperations(AccountBook& book) : book_(book) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Rename(const DecodedRequest& request);
    Result<ServiceReply> Delete(const DecodedRequest& request);
    Result<ServiceReply> Switch(const DecodedRequest& request, AccountBook::DeviceSwitch which);

    // A device name is 1..30 UTF-16 units of well-formed UTF-8 without control characters.
    static constexpr std::size_t kMaxNameUnits = 30;
    // "" when `name` is acceptable, else why not.
    static std::string CheckName(std::string_view name);

  private:
    AccountBook& book_;
};

}  // namespace nimbrel::sim
