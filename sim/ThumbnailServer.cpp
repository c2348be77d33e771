#include "ThumbnailServer.h"

#include <vector>

#include "OrderedJson.h"
#include "PngImage.h"
#include "RequestLog.h"
#include "ServiceSigning.h"

namespace nimbrel::sim {
namespace {

// The "too large" picture is a valid PNG padded past the client's 1 MiB buffer.
constexpr std::size_t kOversize = 1024 * 1024 + 4096;

std::vector<uint8_t> Gradient(const std::string& sid) {
    // The device's colour comes from its sid, so neighbouring devices look different.
    const std::string digest = Md5HexOf(sid);
    const auto channel = [&](int i) { return std::stoi(digest.substr(i * 2, 2), nullptr, 16); };
    const int base[3] = {64 + channel(0) % 192, 64 + channel(1) % 192, 64 + channel(2) % 192};
    std::vector<uint8_t> rgb;
    rgb.reserve(ThumbnailServer::kWidth * ThumbnailServer::kHeight * 3);
    for (int y = 0; y < ThumbnailServer::kHeight; ++y) {
        for (int x = 0; x < ThumbnailServer::kWidth; ++x) {
            // Darker towards the bottom, with a light diagonal band.
            const bool band = ((x + y) / 12) % 4 == 0;
            for (int c = 0; c < 3; ++c) {
                int v =
                    base[c] * (ThumbnailServer::kHeight * 2 - y) / (ThumbnailServer::kHeight * 2);
                if (band) v = (v + 255) / 2;
                rgb.push_back(static_cast<uint8_t>(v));
            }
        }
    }
    return rgb;
}

// Bytes that begin like a JPEG file (SOI, APP0 "JFIF") and end with EOI; not a PNG.
std::string JpegLike() {
    std::string bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    bytes.append(200, '\x55');
    bytes.append("\xFF\xD9", 2);
    return bytes;
}

}  // namespace

std::string ThumbnailServer::Picture(const std::string& sid, ThumbnailShape shape) {
    switch (shape) {
        case ThumbnailShape::Png:
            return EncodePng(kWidth, kHeight, Gradient(sid));
        case ThumbnailShape::NotPng:
            return JpegLike();
        case ThumbnailShape::TooLarge:
            // A private ancillary chunk ("npAd") that decoders skip.
            return EncodePng(kWidth, kHeight, Gradient(sid),
                             {PngChunk{"npAd", std::string(kOversize, '\0')}});
        case ThumbnailShape::Missing:
            return {};
    }
    return {};
}

ThumbnailServer::ThumbnailServer(const Scenario& scenario, RequestLog* log) : log_(log) {
    for (const auto& d : scenario.devices) {
        if (d.img.empty()) continue;
        const std::string path = d.img.substr(0, d.img.find('?'));
        if (byPath_.count(path)) continue;
        byPath_.emplace(path, Entry{d.sid, d.thumbnail, Picture(d.sid, d.thumbnail)});
    }
}

std::optional<ThumbnailServer::Answer> ThumbnailServer::Serve(std::string_view urlPath) const {
    const auto it = byPath_.find(urlPath);
    if (it == byPath_.end()) return std::nullopt;
    const Entry& e = it->second;
    Answer answer;
    switch (e.shape) {
        case ThumbnailShape::Png:
        case ThumbnailShape::TooLarge:
            answer = {200, e.bytes, "image/png"};
            break;
        case ThumbnailShape::NotPng:
            answer = {200, e.bytes, "image/jpeg"};
            break;
        case ThumbnailShape::Missing:
            answer = {404, "no picture\n", "text/plain"};
            break;
    }
    if (log_)
        log_->Write(OrderedJson::Object()
                        .Set("path", "thumbnail")
                        .Set("url", urlPath)
                        .Set("sid", e.sid)
                        .Set("shape", ThumbnailShapeName(e.shape))
                        .Set("httpStatus", answer.status)
                        .Set("bytes", static_cast<std::int64_t>(answer.body.size())));
    return answer;
}

}  // namespace nimbrel::sim
