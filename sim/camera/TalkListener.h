// What a simulated camera makes of the talk a client sends it: each packet decoded with the
// camera's own decoders (Speex narrowband 10 × 20 bytes; AAC behind an ADTS header, whose length
// must match the packet), and per second the packets, bytes, decoded samples, the dominant
// frequency of that second's sound and the malformed packets (with the last one's reason).
// Threading: one connection's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel::sim {

struct TalkSecond {
    std::string kind;  // "speex" or "aac" (the last packet's)
    long long packets = 0;
    long long bytes = 0;
    long long samples = 0;
    double dominantHz = 0;  // 0 without sound
    long long malformed = 0;
    std::string malformedReason;
};

class TalkListener {
  public:
    TalkListener();
    ~TalkListener();
    TalkListener(const TalkListener&) = delete;
    TalkListener& operator=(const TalkListener&) = delete;

    void OnPacket(bool aac, const std::string& body);
    // The figures since the last call; nothing when no packet came.
    std::optional<TalkSecond> TakeSecond();

    // The frequency with the most energy in `samples` at `rate` (Goertzel over 50 Hz up to
    // below half the rate in 10 Hz steps, then refined to 0.5 Hz); 0 for silence.
    static double DominantFrequency(const std::vector<float>& samples, int rate);

  private:
    void Malformed(std::string reason);
    void DecodeSpeex(const std::string& body);
    void DecodeAac(const std::string& body);

    struct Codecs;
    std::unique_ptr<Codecs> codecs_;
    TalkSecond second_;
    std::vector<float> sound_;  // this second's decoded samples, mono
    int rate_ = 8000;
};

}  // namespace nimbrel::sim
