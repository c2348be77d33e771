// One element of an XmlDocument: find its children by name, read and write its text and
// attributes, add children. A default-made element is "none": every read of it is empty and
// every write fails, so chains like doc.Root().Child("a").Child("b") need no checks in between.
// Threading: as the document it belongs to (not shared between threads without a lock).
#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

class XmlElement {
  public:
    XmlElement() = default;
    explicit XmlElement(pugi::xml_node node)
        : node_(node.type() == pugi::node_element ? node : pugi::xml_node()) {}

    explicit operator bool() const { return !node_.empty(); }
    std::string Name() const { return node_.name(); }

    // The first child element called `name`.
    XmlElement Child(std::string_view name) const;
    // The next sibling element called `name` (for walking a list of equal elements).
    XmlElement Next(std::string_view name) const;
    // Follows a path of child names separated by "/" ("config1/User").
    XmlElement Find(std::string_view path) const;
    // Appends a child element after the existing ones, with `text` as its content when not
    // empty; a none element when this one is none.
    XmlElement AddChild(std::string_view name, std::string_view text = {});

    // The element's text: its direct text and CDATA pieces joined; empty when it has none.
    std::string Text() const;
    // Replaces all of the element's direct text by `text` (child elements stay).
    bool SetText(std::string_view text);

    std::optional<std::string> Attribute(std::string_view name) const;
    // Sets the attribute, adding it after the existing ones when it is new.
    bool SetAttribute(std::string_view name, std::string_view value);

    // Takes this element (with its children) out of its parent; false for none. The element is
    // none afterwards.
    bool Remove();

  private:
    pugi::xml_node node_;
};

}  // namespace nimbrel
