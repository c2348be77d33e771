// The archive window on recordings of two cameras over two days: the days listed newest first,
// a timeline row per camera with its spans, a click on a row plays that camera from there, the
// day's snapshots listed and played from, a marked span saved with the file kept from
// retention, and the days following the index (a day recorded later, a day deleted); a large
// folder indexed beside the open window, which shows the progress. NIMBREL_SCREENSHOT=FILE.png keeps a picture of the window (run it under Xvfb with
// QT_QPA_PLATFORM=xcb to see it as a user would).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <fstream>

#include "ArchiveFiles.h"
#include "archive/LocalTime.h"
#include "archive/ui/ArchiveTimelineWidget.h"
#include "archive/ui/ArchiveWindow.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace archive;

int64_t At(const char* text) {
    return *ParseTimeText(text);
}

// The index of anna's recordings, its database below `dir`.
ArchiveKeeper::Options KeeperOptions(const fs::path& dir) {
    ArchiveKeeper::Options o;
    o.database = dir / "config" / "anna_archive.sqlite";
    o.user = "anna";
    return o;
}

TEST(ArchiveWindowTest, DaysRowsPlayingSnapshotsAndASavedSpan) {
    const fs::path dir = test::FreshFolder("archive-window");
    const std::string folder = (dir / "videos").string() + "/";
    test::RecordFiles(folder, "anna", "NB0000000001", "2024-03-05 08:00:00", 4, 2);
    test::RecordFiles(folder, "anna", "NB0000000001", "2024-03-05 13:30:00", 3);
    test::RecordFiles(folder, "anna", "NB0000000002", "2024-03-05 10:15:00", 3);
    test::RecordFiles(folder, "anna", "NB0000000001", "2024-03-04 21:00:00", 2);
    fs::create_directories(dir / "images" / "anna" / "2024-03-05");
    std::ofstream(dir / "images" / "anna" / "2024-03-05" / "2024-03-05-10-15-01-NB0000000002.bmp")
        << "BM";
    ArchiveKeeper keeper(KeeperOptions(dir));
    std::string error;
    ASSERT_TRUE(keeper.Start(error)) << error;
    keeper.SetFolder(folder);
    ASSERT_TRUE(keeper.WaitIdle(30s));

    ArchiveWindow window(keeper, (dir / "images" / "anna").string());
    window.show();
    ASSERT_EQ(window.Days()->count(), 2);
    EXPECT_EQ(window.Days()->item(0)->text(), "2024-03-05");
    const auto& rows = window.Timeline()->Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sid, "NB0000000001");
    EXPECT_EQ(rows[0].spans.size(), 2u);  // the cut recording is one span
    EXPECT_EQ(window.Timeline()->LabelOf(0), QStringLiteral("NB0000000001"));
    window.SetCameraNames([](const std::string& sid) {
        return sid == "NB0000000001" ? std::string("Прихожая") : std::string();
    });
    EXPECT_EQ(window.Timeline()->LabelOf(0), QStringLiteral("Прихожая"));
    EXPECT_EQ(window.Timeline()->LabelOf(1), QStringLiteral("NB0000000002"));
    ASSERT_EQ(window.Snapshots()->count(), 1);

    // A click on the second row at its recording plays that camera from there.
    QTest::mouseClick(window.Timeline(), Qt::LeftButton, {},
                      window.Timeline()->PointOf(1, At("2024-03-05 10:15:00")));
    ASSERT_EQ(window.Player().Sid(), "NB0000000002");
    for (int i = 0; i < 300 && window.Player().Stats().framesShown < 5; ++i) {
        QTest::qWait(20);
    }
    EXPECT_GE(window.Player().Stats().framesShown, 5u);
    EXPECT_EQ(DayText(window.Player().PositionMs()), "2024-03-05");

    // The snapshot plays its camera from the moment it was taken.
    emit window.Snapshots()->itemActivated(window.Snapshots()->item(0));
    for (int i = 0; i < 300 && window.Player().PositionMs() < At("2024-03-05 10:15:01"); ++i)
        QTest::qWait(20);
    EXPECT_GE(window.Player().PositionMs(), At("2024-03-05 10:15:01"));

    QTest::qWait(300);
    if (const char* shot = std::getenv("NIMBREL_SCREENSHOT")) window.grab().save(shot);

    // A span saved from the played camera; its file marked kept.
    const QString out = QString::fromStdString((dir / "span.mp4").string());
    ASSERT_TRUE(window.ExportTo(out, At("2024-03-05 10:15:00"), At("2024-03-05 10:15:02")));
    for (int i = 0; i < 500 && window.Exporting(); ++i) QTest::qWait(20);
    QTest::qWait(200);
    EXPECT_TRUE(fs::exists(out.toStdString()));
    EXPECT_TRUE(window.StatusText().contains("span.mp4")) << window.StatusText().toStdString();
    window.Player().Pause();
    auto* kept = window.findChild<QCheckBox*>();
    ASSERT_TRUE(kept);
    kept->click();
    EXPECT_TRUE(keeper.Index().Find(window.Player().CurrentFile())->kept);

    // A day recorded since the window opened is found and, no day being picked, shown first; a
    // day that retention deletes leaves the list.
    test::RecordFiles(folder, "anna", "NB0000000002", "2024-03-06 09:00:00", 1);
    keeper.SyncSoon();
    ASSERT_TRUE(keeper.WaitIdle(30s));
    QTRY_COMPARE_WITH_TIMEOUT(window.Days()->count(), 3, 10000);
    ASSERT_EQ(window.Days()->count(), 3);
    EXPECT_EQ(window.Days()->currentItem()->text(), "2024-03-06");
    for (const FileRow& row : keeper.Index().Files(keeper.Root(), {}, At("2024-03-04 00:00:00"),
                                                   At("2024-03-05 00:00:00")))
        EXPECT_TRUE(keeper.DeleteRecording(row.path));
    QTRY_COMPARE_WITH_TIMEOUT(window.Days()->count(), 2, 10000);
    ASSERT_EQ(window.Days()->count(), 2);
    EXPECT_EQ(window.Days()->item(1)->text(), "2024-03-05");
    window.close();
    fs::remove_all(dir);
}

TEST(ArchiveWindowTest, ALargeFolderIsIndexedBesideTheWindowWhichShowsItsProgress) {
    const fs::path dir = test::FreshFolder("archive-window-large");
    const std::string folder = (dir / "videos").string() + "/";
    const fs::path one =
        test::RecordFiles(folder, "anna", "NB0000000001", "2024-03-05 08:00:00", 1).at(0);
    // 2,000 recordings of a second each, a minute apart, over two days.
    constexpr int kFiles = 2000;
    for (int i = 1; i < kFiles; ++i) {
        const int64_t t = At("2024-03-05 08:00:00") + int64_t(i) * 60000;
        const std::string name = TimeText(t);  // "YYYY-MM-DD hh:mm:ss"
        std::string file = name;
        std::replace(file.begin(), file.end(), ' ', '-');
        std::replace(file.begin(), file.end(), ':', '-');
        fs::create_directories(dir / "videos" / "anna" / name.substr(0, 10));
        fs::copy_file(one, dir / "videos" / "anna" / name.substr(0, 10) /
                               (file + "-NB0000000001.mp4"));
    }
    ArchiveKeeper keeper(KeeperOptions(dir));
    std::string error;
    ASSERT_TRUE(keeper.Start(error)) << error;
    keeper.SetFolder(folder);
    for (int i = 0; i < 1000 && !keeper.SyncProgress().running; ++i) QTest::qWait(5);
    ASSERT_TRUE(keeper.SyncProgress().running);

    // The window opens and reads the index while the worker is still reading the folder, and
    // says how far it got.
    ArchiveWindow window(keeper, (dir / "images" / "anna").string());
    window.show();
    window.Reload();
    EXPECT_TRUE(keeper.SyncProgress().running);
    EXPECT_LT(keeper.SyncProgress().done.load(), kFiles);
    EXPECT_TRUE(window.StatusText().startsWith(QStringLiteral("Индексация записей")))
        << window.StatusText().toStdString();

    // Once it is done the window shows what it found.
    ASSERT_TRUE(keeper.WaitIdle(120s));
    QTRY_COMPARE_WITH_TIMEOUT(window.Days()->count(), 2, 10000);
    EXPECT_EQ(window.Days()->count(), 2);
    EXPECT_TRUE(window.StatusText().isEmpty());
    window.close();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace nimbrel

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
