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
    ServerEndpoint defTran, firstDetection, secondDetection;
    std::string token;
};

// Sends login.do for `name` with `passwordMd5`; `isNew` tells the service whether the password
// was typed (1) or remembered (0).
LoginAnswer RequestLogin(const GlobalSettings& g, const std::string& name,
                         const std::string& passwordMd5, int isNew, const HttpOptions& http);

}  // namespace nimbrel
