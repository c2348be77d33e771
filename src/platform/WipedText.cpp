#include "platform/WipedText.h"

#include <string.h>

namespace nimbrel {

void WipeText(std::string& text) {
    // The whole buffer: growing within the capacity never moves it. explicit_bzero is not
    // dropped as a dead store, as a memset before the buffer is freed could be.
    text.resize(text.capacity());
    explicit_bzero(text.data(), text.size());
    text.clear();
}

}  // namespace nimbrel
