// A JSON value whose object members keep the order in which they were added, for reply bodies
// and log lines whose member order is part of their format.
// Threading: a value is owned by one thread at a time; no shared state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel::sim {

class OrderedJson {
  public:
    static OrderedJson Object();
    static OrderedJson Array();
    static OrderedJson String(std::string_view text);
    static OrderedJson Int(std::int64_t value);
    static OrderedJson Bool(bool value);

    // Appends a member to an object (a later member with the same name is written as well;
    // callers do not repeat names).
    OrderedJson& Set(std::string_view name, OrderedJson value);
    OrderedJson& Set(std::string_view name, std::string_view text);
    OrderedJson& Set(std::string_view name, const char* text);
    OrderedJson& Set(std::string_view name, std::int64_t value);
    OrderedJson& Set(std::string_view name, int value);
    // Appends an element to an array.
    OrderedJson& Add(OrderedJson value);

    // Compact text without white space. Bytes that are not valid UTF-8 are written as \u00XX
    // escapes, so the text is always valid JSON.
    std::string Dump() const;

  private:
    enum class Kind { Object, Array, String, Int, Bool };
    explicit OrderedJson(Kind kind) : kind_(kind) {}
    void DumpTo(std::string& out) const;

    Kind kind_;
    std::string text_;
    std::int64_t number_ = 0;
    std::vector<std::pair<std::string, OrderedJson>> members_;
    std::vector<OrderedJson> elements_;
};

// Appends `text` as a quoted JSON string.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace nimbrel::sim
