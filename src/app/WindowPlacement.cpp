#include "app/WindowPlacement.h"

#include <string>

#include "service/AccountStore.h"
#include "text/NumberText.h"
#include "wall/StoredLayout.h"

namespace nimbrel {
namespace {

constexpr std::string_view kSection = "config2";

int Value(const AccountFile& file, std::string_view name) {
    return AtoiText(file.Document().Root().Child(kSection).Child(name).Text());
}

bool SetValue(XmlElement section, std::string_view name, int value) {
    XmlElement element = section.Child(name);
    if (!element) element = section.AddChild(name);
    return element.SetText(std::to_string(value));
}

}  // namespace

WindowPlacement ReadWindowPlacement(const AccountFile& file) {
    WindowPlacement p;
    p.maximised = Value(file, "IsMax") != 0;
    p.rect.left = Value(file, "MainX");
    p.rect.top = Value(file, "MainY");
    p.rect.right = Value(file, "MainX1");
    p.rect.bottom = Value(file, "MainY1");
    return p;
}

bool WriteWindowPlacement(AccountFile& file, const WindowPlacement& p) {
    XmlElement root = file.Document().Root();
    if (!root) return false;
    XmlElement section = root.Child(kSection);
    if (!section) section = root.AddChild(kSection);
    bool ok = SetValue(section, "IsMax", p.maximised ? 1 : 0);
    ok = SetValue(section, "MainX", p.rect.left) && ok;
    ok = SetValue(section, "MainY", p.rect.top) && ok;
    ok = SetValue(section, "MainX1", p.rect.right) && ok;
    ok = SetValue(section, "MainY1", p.rect.bottom) && ok;
    return ok;
}

int ReadStoredTreeWidth(const AccountFile& file) {
    return Value(file, "TreeWidth");
}

bool SaveTreeWidth(const std::filesystem::path& accountFile, int width) {
    return AccountStore::For(accountFile).Change([&](AccountFile& file) {
        XmlElement root = file.Document().Root();
        if (!root) return false;
        XmlElement section = root.Child(kSection);
        if (!section) section = root.AddChild(kSection);
        return SetValue(section, "TreeWidth", width);
    });
}

bool SaveWindowAndLayout(const std::filesystem::path& accountFile, const WindowPlacement& placement,
                         const SplitLayout& layout) {
    return AccountStore::For(accountFile).Change([&](AccountFile& file) {
        return WriteWindowPlacement(file, placement) && WriteStoredLayout(file, layout);
    });
}

}  // namespace nimbrel
