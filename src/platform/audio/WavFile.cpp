#include "platform/audio/WavFile.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

namespace nimbrel {
namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderBytes;

uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Header(uint8_t* h, const AudioFormat& f, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, static_cast<uint16_t>(f.channels));
    Put32(h + 24, static_cast<uint32_t>(f.sampleRate));
    Put32(h + 28, static_cast<uint32_t>(f.BytesPerSecond()));
    Put16(h + 32, static_cast<uint16_t>(f.BytesPerFrame()));
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

std::optional<WavData> Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return std::nullopt;
}

}  // namespace

std::optional<WavData> ParseWav(std::span<const uint8_t> b, std::string* error) {
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return Fail(error, "not a RIFF/WAVE file");
    std::optional<AudioFormat> format;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t length = Le32(b.data() + at + 4);
        const std::size_t body = at + 8;
        if (length > b.size() - body) {
            // A writer that was cut short leaves the data length too long: take what is there.
            if (std::memcmp(b.data() + at, "data", 4) != 0)
                return Fail(error, "a chunk runs past the end");
        }
        const std::size_t available = std::min<std::size_t>(length, b.size() - body);
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            if (length < 16) return Fail(error, "format chunk too short");
            const uint16_t tag = Le16(b.data() + body);
            const int channels = Le16(b.data() + body + 2);
            const int rate = static_cast<int>(Le32(b.data() + body + 4));
            const int bits = Le16(b.data() + body + 14);
            if (tag != 1 || bits != 16) return Fail(error, "only 16-bit PCM is read");
            format = AudioFormat{rate, channels};
            if (!format->Valid()) return Fail(error, "unsupported rate or channel count");
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (!format) return Fail(error, "data before the format chunk");
            WavData data;
            data.format = *format;
            const std::size_t frames = available / format->BytesPerFrame();
            data.samples.resize(frames * static_cast<std::size_t>(format->channels));
            for (std::size_t i = 0; i < data.samples.size(); ++i)
                data.samples[i] = static_cast<int16_t>(Le16(b.data() + body + 2 * i));
            return data;
        }
        at = body + available + (available & 1);
    }
    return Fail(error, "no data chunk");
}

std::optional<WavData> ReadWav(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "cannot open " + path);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    return ParseWav(bytes, error);
}

bool WriteWav(const std::string& path, const WavData& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t bytes = static_cast<uint32_t>(data.samples.size() * 2);
    uint8_t h[kHeaderBytes];
    Header(h, data.format, bytes);
    bool ok = std::fwrite(h, 1, sizeof h, f) == sizeof h;
    for (int16_t s : data.samples) {
        uint8_t le[2];
        Put16(le, static_cast<uint16_t>(s));
        ok = ok && std::fwrite(le, 1, 2, f) == 2;
    }
    return std::fclose(f) == 0 && ok;
}

std::shared_ptr<WavWriter> WavWriter::ForPath(const std::string& path) {
    static std::mutex registryLock;
    // Kept for the whole run: a later output to the same path appends instead of starting anew.
    static std::map<std::string, std::shared_ptr<WavWriter>> registry;
    std::lock_guard guard(registryLock);
    auto& writer = registry[path];
    if (!writer) writer.reset(new WavWriter(path));
    return writer;
}

WavWriter::~WavWriter() {
    if (file_) std::fclose(file_);
}

bool WavWriter::Create(const AudioFormat& format) {
    if (file_) std::fclose(file_);
    file_ = std::fopen(path_.c_str(), "w+b");
    if (!file_) return false;
    format_ = format;
    dataBytes_ = 0;
    uint8_t h[kHeaderBytes];
    Header(h, format_, 0);
    return std::fwrite(h, 1, sizeof h, file_) == sizeof h && std::fflush(file_) == 0;
}

bool WavWriter::Begin(const AudioFormat& format) {
    std::lock_guard guard(lock_);
    if (file_ && format == format_) return true;
    return Create(format);
}

void WavWriter::UpdateSizes() {
    // The header is kept true after every write, so a file cut short by a kill still plays.
    uint8_t h[kHeaderBytes];
    Header(h, format_, dataBytes_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, file_);
    std::fseek(file_, 0, SEEK_END);
    std::fflush(file_);
}

void WavWriter::Append(std::span<const uint8_t> pcm) {
    std::lock_guard guard(lock_);
    if (!file_ || pcm.size() > kMaxDataBytes - dataBytes_) return;
    dataBytes_ += static_cast<uint32_t>(std::fwrite(pcm.data(), 1, pcm.size(), file_));
    UpdateSizes();
}

void WavWriter::AppendSilence(std::size_t bytes) {
    std::lock_guard guard(lock_);
    if (!file_ || bytes > kMaxDataBytes - dataBytes_) return;
    static const uint8_t zeros[4096] = {};
    while (bytes > 0) {
        const std::size_t n = std::min(bytes, sizeof zeros);
        dataBytes_ += static_cast<uint32_t>(std::fwrite(zeros, 1, n, file_));
        bytes -= n;
    }
    UpdateSizes();
}

}  // namespace nimbrel
