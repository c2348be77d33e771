// The login.do exchange on its own: the request for a name and a password digest, and what the
// reply says — its status word, the relay and detection servers and the account's token. The
// login dialog's flow and a session recovery both sign in through it.
// Threading: callable from any thread; it only reads the settings record.
#pragma once

#include <string>

#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "service/ServerEndpoint.h"

namespace nimbrel {

struct LoginAnswer {
    bool answered = false;  // a reply was read (false: no request made, no reply, unparsable)
    std::string status;     // the reply's status word
    bool statusOk = false;  // the status said "OK", whatever came after
    bool complete = false;  // OK, and the sealed body named every server and a token that fit
    // The service turned the login down: a status other than OK, or an OK whose sealed body
    // opened but named no token (or servers or a token that do not fit). A body that does not
    // open is a failed transfer, not a refusal.
    bool refused = false;
    ServerEndpoint defTran, firstDetection, secondDetection;
    std::string token;
};

// Sends login.do for `name` with `passwordMd5`; `isNew` tells the service whether the password
// was typed (1) or remembered (0). The payload, which holds the digest, is wiped once sent.
LoginAnswer RequestLogin(const GlobalSettings& g, const std::string& name,
                         const std::string& passwordMd5, int isNew, const HttpOptions& http);

}  // namespace nimbrel
