#include "OrderedJson.h"

#include <cstdio>

namespace nimbrel::sim {
namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t len = 0;
    std::uint32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    std::uint32_t code = lead & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return len;
}

void AppendEscape(std::string& out, unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value);
    out += buf;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t len = Utf8SequenceLength(text, i);
            if (len == 0) {
                AppendEscape(out, c);
                ++i;
            } else {
                out.append(text.substr(i, len));
                i += len;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F)
                    AppendEscape(out, c);
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

OrderedJson OrderedJson::Object() {
    return OrderedJson(Kind::Object);
}
OrderedJson OrderedJson::Array() {
    return OrderedJson(Kind::Array);
}

OrderedJson OrderedJson::String(std::string_view text) {
    OrderedJson v(Kind::String);
    v.text_ = text;
    return v;
}

OrderedJson OrderedJson::Int(std::int64_t value) {
    OrderedJson v(Kind::Int);
    v.number_ = value;
    return v;
}

OrderedJson OrderedJson::Bool(bool value) {
    OrderedJson v(Kind::Bool);
    v.number_ = value ? 1 : 0;
    return v;
}

OrderedJson& OrderedJson::Set(std::string_view name, OrderedJson value) {
    members_.emplace_back(std::string(name), std::move(value));
    return *this;
}

OrderedJson& OrderedJson::Set(std::string_view name, std::string_view text) {
    return Set(name, String(text));
}

OrderedJson& OrderedJson::Set(std::string_view name, const char* text) {
    return Set(name, String(text));
}

OrderedJson& OrderedJson::Set(std::string_view name, std::int64_t value) {
    return Set(name, Int(value));
}

OrderedJson& OrderedJson::Set(std::string_view name, int value) {
    return Set(name, Int(value));
}

OrderedJson& OrderedJson::Add(OrderedJson value) {
    elements_.push_back(std::move(value));
    return *this;
}

std::string OrderedJson::Dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

void OrderedJson::DumpTo(std::string& out) const {
    switch (kind_) {
        case Kind::Object: {
            out += '{';
            bool first = true;
            for (const auto& [name, value] : members_) {
                if (!first) out += ',';
                first = false;
                AppendJsonString(out, name);
                out += ':';
                value.DumpTo(out);
            }
            out += '}';
            break;
        }
        case Kind::Array: {
            out += '[';
            for (std::size_t i = 0; i < elements_.size(); ++i) {
                if (i) out += ',';
                elements_[i].DumpTo(out);
            }
            out += ']';
            break;
        }
        case Kind::String:
            AppendJsonString(out, text_);
            break;
        case Kind::Int:
            out += std::to_string(number_);
            break;
        case Kind::Bool:
            out += number_ ? "true" : "false";
            break;
    }
}

}  // namespace nimbrel::sim
