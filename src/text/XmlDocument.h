// The XML document class of the account files: loads UTF-8 or UTF-16 texts (with or without a
// byte-order mark, so the UTF-16LE skeleton written at account creation reads back), gives access
// to the elements, and saves as UTF-8 by an atomic, owner-only file replacement.
// Threading: one document per thread at a time; no shared state between documents.
#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <string>
#include <string_view>

#include "text/XmlElement.h"

namespace nimbrel {

class XmlDocument {
  public:
    // Files larger than this are not account files and are refused unread.
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    // Replaces the content with the parsed `bytes`. False (and an empty document) when the text
    // is not well-formed XML in a recognised encoding or has no root element.
    bool LoadBytes(std::string_view bytes);
    // LoadBytes of a file's content; false also when the file is missing, unreadable or larger
    // than kMaxFileBytes.
    bool LoadFile(const std::filesystem::path& path);

    // The document as UTF-8 text with an XML declaration, indented.
    std::string ToText() const;
    // Writes ToText() to `path` atomically with owner-only permissions; the previous file stays
    // intact when this fails.
    bool SaveFile(const std::filesystem::path& path) const;

    // The root element; none for an empty document.
    XmlElement Root() const { return XmlElement(doc_.document_element()); }
    // Makes the document a single empty root element called `name`.
    XmlElement Reset(std::string_view name);

  private:
    pugi::xml_document doc_;
};

}  // namespace nimbrel
