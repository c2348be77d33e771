#include "LiveWallReport.h"

#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace nimbrel::bench {
namespace {

Json::Value Optional(const std::optional<double>& v) {
    return v ? Json::Value(*v) : Json::Value();
}

std::string Label(const WallRow& r) {
    std::string label = r.stream + " " + std::to_string(r.shown);
    if (r.open != r.shown) label += " of " + std::to_string(r.open);
    if (r.audio) label += " +sound";
    if (r.tour) label += " tour";
    return label;
}

}  // namespace

std::string RowsAsJson(const std::vector<WallRow>& rows) {
    Json::Value all(Json::arrayValue);
    for (const WallRow& r : rows) {
        Json::Value row(Json::objectValue);
        row["stream"] = r.stream;
        row["open"] = r.open;
        row["shown"] = r.shown;
        row["audio"] = r.audio;
        row["client"] = r.client;
        row["floor"] = r.floor;
        row["ratio"] = r.ratio;
        row["dropped"] = static_cast<Json::Int64>(r.dropped);
        row["delayMedianMs"] = r.delayMedianMs;
        row["delayP99Ms"] = r.delayP99Ms;
        row["mibPerShownCamera"] = Optional(r.mibPerShownCamera);
        row["mibPerHiddenCamera"] = Optional(r.mibPerHiddenCamera);
        row["pageSwitchMs"] = Optional(r.pageSwitchMs);
        row["tour"] = r.tour;
        row["tourSwitchMedianMs"] = Optional(r.tourSwitchMedianMs);
        row["tourSwitchMaxMs"] = Optional(r.tourSwitchMaxMs);
        all.append(row);
    }
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return Json::writeString(builder, all) + "\n";
}

std::string RatioChartSvg(const std::vector<WallRow>& rows, double target) {
    std::vector<const WallRow*> drawn;
    for (const WallRow& r : rows)
        if (r.floor > 0) drawn.push_back(&r);
    constexpr int kLeft = 150, kBar = 22, kGap = 8, kWidth = 420, kTop = 30;
    double most = target * 1.2;
    for (const WallRow* r : drawn) most = std::max(most, r->ratio * 1.1);
    const auto x = [&](double ratio) { return kLeft + ratio / most * kWidth; };
    const int height = kTop + int(drawn.size()) * (kBar + kGap) + 30;
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kLeft + kWidth + 70
        << "\" height=\"" << height << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kLeft
        << "\" y=\"18\">client CPU / floor (decode + one conversion)</text>\n";
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const WallRow& r = *drawn[i];
        const int y = kTop + int(i) * (kBar + kGap);
        const char* colour = r.ratio <= target ? "#4a90d9" : "#d9534f";
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.2f", r.ratio);
        svg << "<text x=\"" << kLeft - 6 << "\" y=\"" << y + 15 << "\" text-anchor=\"end\">"
            << Label(r) << "</text>\n"
            << "<rect x=\"" << kLeft << "\" y=\"" << y << "\" width=\"" << x(r.ratio) - kLeft
            << "\" height=\"" << kBar << "\" fill=\"" << colour << "\"/>\n"
            << "<text x=\"" << x(r.ratio) + 4 << "\" y=\"" << y + 15 << "\">" << ratio
            << "</text>\n";
    }
    const double tx = x(target);
    svg << "<line x1=\"" << tx << "\" y1=\"" << kTop - 4 << "\" x2=\"" << tx << "\" y2=\""
        << height - 22 << "\" stroke=\"black\" stroke-dasharray=\"4 3\"/>\n"
        << "<text x=\"" << tx << "\" y=\"" << height - 8 << "\" text-anchor=\"middle\">target "
        << target << "</text>\n</svg>\n";
    return svg.str();
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace nimbrel::bench
