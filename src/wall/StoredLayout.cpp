#include "wall/StoredLayout.h"

#include <string>

#include "text/NumberText.h"

namespace nimbrel {
namespace {

constexpr std::string_view kSection = "config2";

int StoredValue(const AccountFile& file, std::string_view name, int missing) {
    const XmlElement element = file.Document().Root().Child(kSection).Child(name);
    if (!element) return missing;
    return AtoiText(element.Text());
}

XmlElement Section(AccountFile& file) {
    XmlElement root = file.Document().Root();
    if (!root) return root;
    XmlElement section = root.Child(kSection);
    return section ? section : root.AddChild(kSection);
}

bool SetValue(XmlElement section, std::string_view name, int value) {
    if (!section) return false;
    XmlElement element = section.Child(name);
    if (!element) element = section.AddChild(name);
    return element.SetText(std::to_string(value));
}

}  // namespace

SplitLayout ReadStoredLayout(const AccountFile& file) {
    const SplitLayout& fallback = DefaultSplitLayout();
    return ValidSplitLayout(StoredValue(file, "FirstLarger", fallback.mode),
                            StoredValue(file, "xNums", fallback.cols),
                            StoredValue(file, "yNums", fallback.rows));
}

bool WriteStoredLayout(AccountFile& file, const SplitLayout& layout) {
    const XmlElement section = Section(file);
    const bool cols = SetValue(section, "xNums", layout.cols);
    const bool rows = SetValue(section, "yNums", layout.rows);
    const bool mode = SetValue(section, "FirstLarger", layout.mode);
    return cols && rows && mode;
}

bool ReadStoredHealthOverlay(const AccountFile& file) {
    return StoredValue(file, "HealthOverlay", 0) == 1;
}

bool WriteStoredHealthOverlay(AccountFile& file, bool on) {
    return SetValue(Section(file), "HealthOverlay", on ? 1 : 0);
}

}  // namespace nimbrel
