#include "text/XmlDocument.h"

#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Log.h"

namespace nimbrel {

bool XmlDocument::LoadBytes(std::string_view bytes) {
    doc_.reset();
    if (bytes.empty() || bytes.size() > kMaxFileBytes) return false;
    // pugixml recognises UTF-16 without a byte-order mark from the zero byte beside the first
    // "<", and converts everything to UTF-8. It copies the buffer; `bytes` is not kept.
    const pugi::xml_parse_result result =
        doc_.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result || !doc_.document_element()) {
        NLOG_DEBUG("XmlDocument::LoadBytes: " << (result ? "no root element" : result.description())
                                              << " at offset " << result.offset);
        doc_.reset();
        return false;
    }
    return true;
}

bool XmlDocument::LoadFile(const std::filesystem::path& path) {
    const auto bytes = ReadWholeFile(path, kMaxFileBytes);
    if (!bytes) {
        doc_.reset();
        return false;
    }
    return LoadBytes(*bytes);
}

std::string XmlDocument::ToText() const {
    std::ostringstream out;
    doc_.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

bool XmlDocument::SaveFile(const std::filesystem::path& path) const {
    if (!doc_.document_element()) return false;
    return WriteFileAtomically(path, ToText());
}

XmlElement XmlDocument::Reset(std::string_view name) {
    doc_.reset();
    return XmlElement(doc_.append_child(std::string(name).c_str()));
}

}  // namespace nimbrel
