#include "text/XmlElement.h"

#include <string>

namespace nimbrel {

XmlElement XmlElement::Child(std::string_view name) const {
    if (!node_) return {};
    for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && name == child.name()) return XmlElement(child);
    return {};
}

XmlElement XmlElement::Next(std::string_view name) const {
    if (!node_) return {};
    for (pugi::xml_node next = node_.next_sibling(); next; next = next.next_sibling())
        if (next.type() == pugi::node_element && name == next.name()) return XmlElement(next);
    return {};
}

XmlElement XmlElement::Find(std::string_view path) const {
    XmlElement at = *this;
    while (at && !path.empty()) {
        const std::size_t slash = path.find('/');
        at = at.Child(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    return at;
}

XmlElement XmlElement::AddChild(std::string_view name, std::string_view text) {
    if (!node_ || name.empty()) return {};
    XmlElement child(node_.append_child(std::string(name).c_str()));
    if (child && !text.empty()) child.SetText(text);
    return child;
}

namespace {

bool IsText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

}  // namespace

std::string XmlElement::Text() const {
    // All direct text pieces: an element whose text is split by comments or child elements
    // reads the same before and after a save, which joins neighbouring pieces.
    std::string text;
    for (pugi::xml_node child = node_.first_child(); child; child = child.next_sibling())
        if (IsText(child)) text += child.value();
    return text;
}

bool XmlElement::SetText(std::string_view text) {
    if (!node_) return false;
    for (pugi::xml_node child = node_.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (IsText(child)) node_.remove_child(child);
        child = next;
    }
    if (text.empty()) return true;
    pugi::xml_node piece = node_.prepend_child(pugi::node_pcdata);
    return piece && piece.set_value(std::string(text).c_str());
}

std::optional<std::string> XmlElement::Attribute(std::string_view name) const {
    if (!node_) return std::nullopt;
    const pugi::xml_attribute attr = node_.attribute(std::string(name).c_str());
    if (!attr) return std::nullopt;
    return std::string(attr.value());
}

bool XmlElement::SetAttribute(std::string_view name, std::string_view value) {
    if (!node_ || name.empty()) return false;
    const std::string key(name);
    pugi::xml_attribute attr = node_.attribute(key.c_str());
    if (!attr) attr = node_.append_attribute(key.c_str());
    return attr && attr.set_value(std::string(value).c_str());
}

bool XmlElement::Remove() {
    if (!node_) return false;
    pugi::xml_node parent = node_.parent();
    const bool removed = parent && parent.remove_child(node_);
    node_ = pugi::xml_node();
    return removed;
}

}  // namespace nimbrel
