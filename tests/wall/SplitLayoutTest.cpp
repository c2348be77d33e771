// The six layouts, their cell geometry, and the layout values and the health overlay switch kept
// in the account file.
#include <gtest/gtest.h>

#include "service/AccountFile.h"
#include "wall/SplitLayout.h"
#include "wall/StoredLayout.h"

namespace nimbrel {
namespace {

TEST(SplitLayout, ChooserCommandsAndPanesPerPage) {
    const std::pair<int, int> expected[] = {{1001, 1},  {1002, 4}, {1018, 9},
                                            {1020, 16}, {1021, 6}, {1022, 8}};
    for (const auto& [command, perPage] : expected) {
        const SplitLayout* layout = SplitLayoutForCommand(command);
        ASSERT_NE(layout, nullptr) << command;
        EXPECT_EQ(layout->PanesPerPage(), perPage) << command;
        EXPECT_EQ(layout->Cells(640, 480).size(), static_cast<std::size_t>(perPage));
        EXPECT_EQ(FindSplitLayout(layout->mode, layout->cols, layout->rows), layout);
    }
    EXPECT_EQ(SplitLayoutForCommand(1003), nullptr);
    EXPECT_EQ(FindSplitLayout(SplitLayout::kFeatured, 2, 2), nullptr);
    EXPECT_EQ(FindSplitLayout(SplitLayout::kGrid, 3, 2), nullptr);
    EXPECT_TRUE(ValidSplitLayout(SplitLayout::kGrid, 0, 0).SameLayout(DefaultSplitLayout()));
    EXPECT_EQ(DefaultSplitLayout().commandId, 1002);
}

TEST(SplitLayout, FeaturedThreeByThree) {
    const auto cells = SplitLayoutForCommand(1021)->Cells(600, 300);
    const std::vector<PaneRect> expected{{0, 0, 400, 200},     {400, 0, 200, 100},
                                         {400, 100, 200, 100}, {0, 200, 200, 100},
                                         {200, 200, 200, 100}, {400, 200, 200, 100}};
    EXPECT_EQ(cells, expected);
}

TEST(SplitLayout, FeaturedFourByFourRunsDownThenAlong) {
    const auto cells = SplitLayoutForCommand(1022)->Cells(400, 800);
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0], (PaneRect{0, 0, 300, 600}));
    const int positions[] = {3, 7, 11, 12, 13, 14, 15};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(cells[i + 1],
                  (PaneRect{positions[i] % 4 * 100, positions[i] / 4 * 200, 100, 200}));
}

TEST(SplitLayout, RemainderPixelsStayUncovered) {
    const auto cells = SplitLayoutForCommand(1018)->Cells(302, 11);
    EXPECT_EQ(cells[8], (PaneRect{200, 6, 100, 3}));
    EXPECT_EQ(SplitLayoutForCommand(1002)->Cells(-5, 10)[3], (PaneRect{0, 5, 0, 5}));
}

AccountFile FileWith(const std::string& config2) {
    AccountFile file;
    EXPECT_TRUE(file.Document().LoadBytes("<config>" + config2 + "</config>"));
    return file;
}

TEST(StoredLayout, ReadsValidValuesAndFallsBackToGridTwoByTwo) {
    const auto read = [](const std::string& config2) {
        const SplitLayout layout = ReadStoredLayout(FileWith(config2));
        return std::tuple{layout.mode, layout.cols, layout.rows};
    };
    EXPECT_EQ(read("<config2><xNums>4</xNums><yNums>4</yNums><FirstLarger>1</FirstLarger>"
                   "</config2>"),
              std::tuple(1, 4, 4));
    EXPECT_EQ(read("<config2><xNums>3</xNums><yNums>3</yNums></config2>"), std::tuple(0, 3, 3));
    EXPECT_EQ(read("<config2><xNums>1</xNums><yNums>1</yNums><FirstLarger>0</FirstLarger>"
                   "</config2>"),
              std::tuple(0, 1, 1));
    const char* invalid[] = {
        "<config2><xNums>0</xNums><yNums>0</yNums><FirstLarger>0</FirstLarger></config2>",
        "<config2><xNums>3</xNums><yNums>2</yNums><FirstLarger>0</FirstLarger></config2>",
        "<config2><xNums>2</xNums><yNums>2</yNums><FirstLarger>1</FirstLarger></config2>",
        "<config2><xNums>3</xNums><yNums>3</yNums><FirstLarger>2</FirstLarger></config2>",
        "<config2><xNums>five</xNums><yNums>5</yNums><FirstLarger>0</FirstLarger></config2>",
        "<config2><xNums>3</xNums></config2>",
        ""};
    for (const char* config2 : invalid) EXPECT_EQ(read(config2), std::tuple(0, 2, 2)) << config2;
}

TEST(StoredLayout, WrittenValuesReadBack) {
    AccountFile file = FileWith("");
    ASSERT_TRUE(WriteStoredLayout(file, *SplitLayoutForCommand(1021)));
    EXPECT_EQ(file.Document().Root().Find("config2/FirstLarger").Text(), "1");
    EXPECT_EQ(file.Document().Root().Find("config2/xNums").Text(), "3");
    ASSERT_TRUE(WriteStoredLayout(file, *SplitLayoutForCommand(1020)));
    EXPECT_EQ(ReadStoredLayout(file).commandId, 1020);
}

TEST(StoredLayout, TheHealthOverlayIsOnOnlyWhenStoredAsOne) {
    EXPECT_FALSE(ReadStoredHealthOverlay(FileWith("")));
    EXPECT_FALSE(ReadStoredHealthOverlay(FileWith("<config2><xNums>3</xNums></config2>")));
    for (const char* value : {"0", "2", "-1", "on", ""})
        EXPECT_FALSE(ReadStoredHealthOverlay(FileWith(std::string("<config2><HealthOverlay>") +
                                                      value + "</HealthOverlay></config2>")))
            << value;
    EXPECT_TRUE(
        ReadStoredHealthOverlay(FileWith("<config2><HealthOverlay>1</HealthOverlay></config2>")));

    // Written beside the layout, which it leaves alone.
    AccountFile file = FileWith("<config2><xNums>3</xNums><yNums>3</yNums></config2>");
    ASSERT_TRUE(WriteStoredHealthOverlay(file, true));
    EXPECT_TRUE(ReadStoredHealthOverlay(file));
    EXPECT_EQ(ReadStoredLayout(file).commandId, 1018);
    ASSERT_TRUE(WriteStoredHealthOverlay(file, false));
    EXPECT_EQ(file.Document().Root().Find("config2/HealthOverlay").Text(), "0");
    AccountFile empty = FileWith("");
    ASSERT_TRUE(WriteStoredHealthOverlay(empty, true));
    EXPECT_TRUE(ReadStoredHealthOverlay(empty));
}

}  // namespace
}  // namespace nimbrel
