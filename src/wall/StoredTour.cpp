#include "wall/StoredTour.h"

#include <string>

#include "text/NumberText.h"
#include "text/XmlDocument.h"

namespace nimbrel {
namespace {

constexpr std::string_view kRoot = "tours";
constexpr std::string_view kWall = "wall";

// The entry of wall `wall`; none when it has none.
XmlElement WallEntry(const XmlDocument& doc, int wall) {
    for (XmlElement e = doc.Root().Child(kWall); e; e = e.Next(kWall)) {
        const auto number = e.Attribute("number");
        if (number && LeadingInt(*number) == wall) return e;
    }
    return {};
}

}  // namespace

std::filesystem::path TourFileFor(const std::filesystem::path& accountFile) {
    std::string name = accountFile.filename().string();
    constexpr std::string_view kSuffix = "_config.xml";
    if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
    return accountFile.parent_path() / (name + "_tour.xml");
}

WallTour::Settings ReadStoredTour(const std::filesystem::path& file, int wall) {
    WallTour::Settings settings;
    XmlDocument doc;
    if (!doc.LoadFile(file) || doc.Root().Name() != kRoot) return settings;
    const XmlElement entry = WallEntry(doc, wall);
    if (!entry) return settings;
    if (const auto interval = entry.Attribute("interval"))
        if (const auto seconds = LeadingInt(*interval))
            settings.intervalSeconds = WallTour::ClampInterval(*seconds);
    if (const auto group = entry.Attribute("group")) settings.group = LeadingInt(*group);
    settings.running = entry.Attribute("running") == std::optional<std::string>("1");
    return settings;
}

bool WriteStoredTour(const std::filesystem::path& file, int wall,
                     const WallTour::Settings& settings) {
    XmlDocument doc;
    // A file that cannot be read is made anew: it held nothing else that could be kept.
    if (!doc.LoadFile(file) || doc.Root().Name() != kRoot) doc.Reset(kRoot);
    XmlElement entry = WallEntry(doc, wall);
    if (!entry) {
        entry = doc.Root().AddChild(kWall);
        entry.SetAttribute("number", std::to_string(wall));
    }
    entry.SetAttribute("interval", std::to_string(WallTour::ClampInterval(settings.intervalSeconds)));
    entry.SetAttribute("group", settings.group ? std::to_string(*settings.group) : "");
    entry.SetAttribute("running", settings.running ? "1" : "0");
    return doc.SaveFile(file);
}

}  // namespace nimbrel
