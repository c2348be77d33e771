// Drives a fuzz target without libFuzzer: the files named on the command line (a folder stands
// for the files in it, in name order), then a fixed series of pseudo-random inputs (lengths
// 0..4096, seeded, so every run is the same); NIMBREL_FUZZ_ROUNDS says how many.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        std::exit(1);
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const auto& file : files) Replay(file);
        replayed += static_cast<int>(files.size());
    }
    std::mt19937 rng(20261207);
    const char* hex = "0123456789abcdef";
    std::vector<uint8_t> input;
    const char* rounds = std::getenv("NIMBREL_FUZZ_ROUNDS");
    const int count = rounds ? std::atoi(rounds) : 3000;
    for (int round = 0; round < count; ++round) {
        const size_t size = rng() % (round % 10 == 0 ? 4097 : 300);
        input.resize(size);
        // Half the inputs are hex-like text, the shape most parsers expect.
        const bool hexLike = round % 2 == 0;
        for (auto& b : input) b = hexLike ? hex[rng() % 16] : static_cast<uint8_t>(rng());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replayed %d files and %d generated inputs\n", replayed, count);
    return 0;
}
