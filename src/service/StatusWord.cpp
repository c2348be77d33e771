#include "service/StatusWord.h"

#include <strings.h>

#include <string>

namespace nimbrel {

bool StatusIs(std::string_view status, std::string_view word) {
    return status.size() == word.size() &&
           strncasecmp(std::string(status).c_str(), std::string(word).c_str(), word.size()) == 0;
}

}  // namespace nimbrel
