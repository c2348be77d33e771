// current.do on the service side: tells a signed-in client how one of its cameras can be
// reached. The reply's serverBean carries the reachability case as a number and every
// address and port as text: the camera's stream port (LAN, mapped port), the rendezvous
// server (NAT traversal) and the relay, which cases 2 to 4 also name as their fallback.
// Threading: Handle may be called from any thread; the fleet and the book are thread-safe.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"
#include "camera/CameraFleet.h"

namespace nimbrel::sim {

class ServiceRouter;

class CurrentOperation {
  public:
    CurrentOperation(const AccountBook& book, const CameraFleet& fleet)
        : book_(book), fleet_(fleet) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Handle(const DecodedRequest& request) const;

    // The serverBean for a camera as the fleet serves it.
    OrderedJson ServerBean(const CameraDevice& device) const;

  private:
    const AccountBook& book_;
    const CameraFleet& fleet_;
};

}  // namespace nimbrel::sim
