#include "PayloadPairs.h"

namespace nimbrel::sim {

PayloadPairs PayloadPairs::Parse(std::string_view text) {
    PayloadPairs result;
    if (text.empty()) return result;
    std::size_t start = 0;
    while (true) {
        const std::size_t amp = text.find('&', start);
        const std::string_view piece = text.substr(
            start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
        const std::size_t colon = piece.find(':');
        if (colon == std::string_view::npos) {
            result.wellFormed_ = false;
            result.pairs_.emplace_back(std::string(piece), std::string());
        } else {
            result.pairs_.emplace_back(std::string(piece.substr(0, colon)),
                                       std::string(piece.substr(colon + 1)));
        }
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return result;
}

std::optional<std::string> PayloadPairs::Find(std::string_view key) const {
    for (const auto& [k, v] : pairs_)
        if (k == key) return v;
    return std::nullopt;
}

std::string PayloadPairs::Get(std::string_view key) const {
    return Find(key).value_or("");
}

bool PayloadPairs::HasKeysInOrder(const std::vector<std::string_view>& keys) const {
    if (keys.size() != pairs_.size()) return false;
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (pairs_[i].first != keys[i]) return false;
    return true;
}

std::string PayloadPairs::KeyList() const {
    std::string out;
    for (const auto& [k, v] : pairs_) {
        if (!out.empty()) out += ',';
        out += k;
    }
    return out;
}

OrderedJson PayloadPairs::ToJson() const {
    OrderedJson array = OrderedJson::Array();
    for (const auto& [k, v] : pairs_)
        array.Add(OrderedJson::Array().Add(OrderedJson::String(k)).Add(OrderedJson::String(v)));
    return array;
}

}  // namespace nimbrel::sim
