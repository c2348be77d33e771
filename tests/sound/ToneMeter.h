// The tests' own measure of a sound: the frequency with the most energy (Goertzel filters over a
// coarse grid, then a fine one around the best), the level, and runs of digital silence.
// Threading: pure functions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace nimbrel::test {

inline double GoertzelPower(const std::vector<double>& x, double hz, int rate) {
    const double c = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// One channel of interleaved samples, from `first` frame for `count` frames.
inline std::vector<double> Channel(const std::vector<int16_t>& interleaved, int channels,
                                   std::size_t first, std::size_t count, int channel = 0) {
    std::vector<double> x;
    for (std::size_t f = first; f < first + count && (f + 1) * channels <= interleaved.size(); ++f)
        x.push_back(interleaved[f * channels + channel]);
    return x;
}

// Hann-windowed, so that a filter next to the tone is not fooled by leakage. The coarse grid
// (filters 20 Hz wide, steps of 10 Hz: the tone always falls in one) adds up the power of 50 ms
// pieces, at most 20 spread over the sound, so that a quiet or unsettled start cannot choose it
// alone; the fine one runs over everything.
inline double DominantHz(const std::vector<double>& x, int rate) {
    auto windowed = [&](std::size_t first, std::size_t n) {
        std::vector<double> w(n);
        for (std::size_t i = 0; i < n; ++i)
            w[i] = x[first + i] * (0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1)));
        return w;
    };
    if (x.size() < 64) return 0;
    const std::size_t pieceLength = std::min<std::size_t>(x.size(), rate / 20);
    const std::size_t pieceCount = std::min<std::size_t>(20, x.size() / pieceLength);
    std::vector<std::vector<double>> pieces;
    for (std::size_t k = 0; k < pieceCount; ++k)
        pieces.push_back(windowed(
            k * (x.size() - pieceLength) / std::max<std::size_t>(1, pieceCount - 1), pieceLength));
    const auto whole = windowed(0, x.size());
    double best = 0, bestPower = -1;
    for (double hz = 40; hz < rate / 2.0 - 40; hz += 10) {
        double p = 0;
        for (const auto& piece : pieces) p += GoertzelPower(piece, hz, rate);
        if (p > bestPower) bestPower = p, best = hz;
    }
    const double coarse = best;
    bestPower = -1;
    for (double hz = coarse - 20; hz <= coarse + 20; hz += 0.5)
        if (const double p = GoertzelPower(whole, hz, rate); p > bestPower)
            bestPower = p, best = hz;
    return best;
}

inline double Rms(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x) sum += v * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

// The longest run of exact zeros.
inline std::size_t LongestSilence(const std::vector<double>& x) {
    std::size_t run = 0, longest = 0;
    for (double v : x) {
        run = v == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

inline std::vector<int16_t> Tone(double hz, int rate, std::size_t frames, int channels = 1,
                                 double level = 0.4) {
    std::vector<int16_t> out(frames * channels);
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            out[f * channels + c] =
                static_cast<int16_t>(level * 32767 * std::sin(2 * M_PI * hz * f / rate));
    return out;
}

}  // namespace nimbrel::test
