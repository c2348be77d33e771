// The process-wide RSA key pair of the client: its public half travels as exp/mod so that the
// service can seal its replies; its private half opens them.
// Threading: callable from any thread; the first call creates the pair.
#pragma once

#include "service/crypto/Rsa.h"

namespace nimbrel {

// The pair, reused while it passes the consistency check, else newly generated (1024 bits,
// exponent 65537). Null only when generation failed.
const RsaKeyPair* ClientKeyPair();

}  // namespace nimbrel
