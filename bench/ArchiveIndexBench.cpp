// Indexing an existing recording folder at first start: 10,000 small recordings (copies of one
// two-second recording of the program's own recorder under 10,000 names), read into a new index
// database, then a later start that finds everything in the database. Prints both times.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "../tests/archive/ArchiveFiles.h"
#include "archive/ArchiveKeeper.h"
#include "archive/LocalTime.h"

using namespace nimbrel;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path dir = test::FreshFolder("archive-bench");
    const std::string folder = (dir / "videos").string() + "/";
    const auto made = test::RecordFiles(folder, "bench", "NB0000000001", "2024-03-01 00:00:00", 2);
    const int64_t start = *archive::ParseTimeText("2024-03-01 00:00:00");
    for (int i = 1; i < files; ++i) {
        const int64_t t = start + int64_t(i) * 60000;  // a file a minute, over days
        std::string name = archive::TimeText(t);
        for (char& c : name)
            if (c == ' ' || c == ':') c = '-';
        const fs::path day = dir / "videos" / "bench" / archive::DayText(t);
        fs::create_directories(day);
        fs::copy_file(made[0], day / (name + "-NB0000000001.mp4"));
    }
    for (int run = 0; run < 2; ++run) {
        archive::ArchiveKeeper::Options o;
        o.database = dir / "config" / "bench_archive.sqlite";
        o.user = "bench";
        archive::ArchiveKeeper keeper(o);
        std::string error;
        if (!keeper.Start(error)) return 1;
        const auto t0 = std::chrono::steady_clock::now();
        keeper.SetFolder(folder);
        keeper.WaitIdle(std::chrono::minutes(10));
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto report = keeper.LastSync();
        std::printf("%s: %lld files, %lld read, %.2f s (%.2f ms a file)\n",
                    run == 0 ? "first start" : "later start", static_cast<long long>(report.files),
                    static_cast<long long>(report.read), s, s * 1000 / std::max<int64_t>(1, report.files));
    }
    fs::remove_all(dir);
    return 0;
}
