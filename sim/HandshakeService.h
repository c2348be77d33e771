// security.do on the service side: checks the client's token, opens its public key, and
// answers with the service's keyValue and public key, sealed for that client.
// Threading: Handle may be called from any thread (state lives in the thread-safe key book).
#pragma once

#include <string>

#include "ClientKeyBook.h"
#include "DecodedRequest.h"
#include "Result.h"
#include "ServiceKeys.h"
#include "ServiceReply.h"

namespace nimbrel::sim {

class ServiceRouter;

class HandshakeService {
  public:
    // `status` is the word answered to a correct handshake: "OK", or "UPATE" to demand an
    // update.
    HandshakeService(const ServiceKeys& keys, ClientKeyBook& clients, std::string status);

    void Register(ServiceRouter& router);
    Result<ServiceReply> Handle(const DecodedRequest& request);

    // The AES key that opens `pk`: the first 16 hex digits of the signature of the client id.
    static std::string HandshakeKey(const std::string& cl, const std::string& cv,
                                    const std::string& pv);

  private:
    const ServiceKeys& keys_;
    ClientKeyBook& clients_;
    std::string status_;
};

}  // namespace nimbrel::sim
