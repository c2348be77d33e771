// The "key:value&key:value" texts of service requests, kept in the order they arrived.
// Threading: a value type; no shared state.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "OrderedJson.h"

namespace nimbrel::sim {

class PayloadPairs {
  public:
    PayloadPairs() = default;

    // Splits at every "&" and each piece at its first ":". A piece without ":" is kept as a key
    // with an empty value and marks the text as malformed.
    static PayloadPairs Parse(std::string_view text);

    bool WellFormed() const { return wellFormed_; }
    bool Empty() const { return pairs_.empty(); }
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs_; }

    // The value of the first pair named `key`.
    std::optional<std::string> Find(std::string_view key) const;
    // The value of `key`, or an empty text when absent.
    std::string Get(std::string_view key) const;
    // True when the keys are exactly `keys`, in this order.
    bool HasKeysInOrder(const std::vector<std::string_view>& keys) const;
    // "k1,k2,..." for messages.
    std::string KeyList() const;

    // [["k","v"],...] for the request log.
    OrderedJson ToJson() const;

  private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    bool wellFormed_ = true;
};

}  // namespace nimbrel::sim
