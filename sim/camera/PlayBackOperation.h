// playBack.do on the service side: the index of the recordings on a camera's card, as the day
// list "20140315-08-09-21;20140316-10" inside a sealed {"playBack":{"videoDaylist":...}}.
// A camera that is offline answers OFFLINE, one without a card NOSDCARD, one whose card holds
// nothing NOLIST; the card's indexReply switch misshapes the reply.
// Threading: Handle may be called from any thread; the fleet and the book are thread-safe.
#pragma once

#include "AccountBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceReply.h"
#include "camera/CameraFleet.h"

namespace nimbrel::sim {

class ServiceRouter;

class PlayBackOperation {
  public:
    PlayBackOperation(const AccountBook& book, const CameraFleet& fleet)
        : book_(book), fleet_(fleet) {}
    void Register(ServiceRouter& router);
    Result<ServiceReply> Handle(const DecodedRequest& request) const;

  private:
    const AccountBook& book_;
    const CameraFleet& fleet_;
};

}  // namespace nimbrel::sim
