// Texts that carry a credential (a password, its digest, a login token) are overwritten once
// they are no longer needed, so that no copy is left behind in freed memory.
// Threading: WipeText on the text's owner thread; a WipedText belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <string>

namespace nimbrel {

// Overwrites the whole of the text's buffer (its capacity, not only its length) and empties it.
void WipeText(std::string& text);

// A text that is wiped when it goes. It reserves its room up front: a text that stays within it
// is never moved to a larger buffer, which would leave the old one behind unwiped.
class WipedText {
  public:
    static constexpr std::size_t kRoom = 1024;  // a sealed payload takes at most 751 bytes

    WipedText() { text_.reserve(kRoom); }
    ~WipedText() { WipeText(text_); }
    WipedText(const WipedText&) = delete;
    WipedText& operator=(const WipedText&) = delete;

    std::string& operator*() { return text_; }
    const std::string& operator*() const { return text_; }
    std::string* operator->() { return &text_; }
    const std::string* operator->() const { return &text_; }

  private:
    std::string text_;
};

}  // namespace nimbrel
