// The Photos tab's slot table and open-file dialog texts.
#include <gtest/gtest.h>

#include <string>

#include "settings_ui/photos_tab_rules.h"

// Folders added, removed and added again keep every slot pointing at the
// right entry, and a slot is handed out again only after its folder went.
TEST(SlotTable, FollowsTheListThroughAddsAndRemoves) {
    SlotTable t;
    for (int32_t i = 1; i <= 3; ++i) ASSERT_TRUE(t.Map(i, i));  // the fill: entries 1..3
    EXPECT_EQ(t.SlotForNewFolder(4), 4);                        // in step with the entries
    t.FolderDeleted(2, 2);                                      // entries 3, 4 become 2, 3
    EXPECT_EQ(t.EntryOf(1), 1);
    EXPECT_EQ(t.EntryOf(2), 0);
    EXPECT_EQ(t.EntryOf(3), 2);
    EXPECT_EQ(t.EntryOf(4), 3);
    EXPECT_EQ(t.SlotForNewFolder(4), 2);  // the freed slot, now for entry 4
    EXPECT_EQ(t.EntryOf(2), 4);
    EXPECT_EQ(t.SlotForNewFolder(5), 5);  // none free: above the mark
    EXPECT_EQ(t.HighWaterMark(), 5);
    EXPECT_EQ(t.EntryOf(0), 0);
    EXPECT_EQ(t.EntryOf(-1), 0);
    EXPECT_EQ(t.EntryOf(70000), 0);
}

// Far more folders than a small fixed table would hold all get their own
// slot; only when every tag value is taken is a folder refused.
TEST(SlotTable, ManyFoldersUntilTheTagRunsOut) {
    SlotTable t;
    for (int32_t e = 1; e <= 300; ++e) ASSERT_EQ(t.SlotForNewFolder(e), e);
    for (int32_t s = 301; s <= SlotTable::kMaxSlot; ++s) ASSERT_TRUE(t.Map(s, s));
    EXPECT_EQ(t.SlotForNewFolder(SlotTable::kMaxSlot), -1);
    t.FolderDeleted(7, 7);
    EXPECT_EQ(t.SlotForNewFolder(SlotTable::kMaxSlot), 7);
}

TEST(OpenFileDialog, FilterGroupsFormatsAndListsBmpOnce) {
    const std::string filter = OpenFileFilter({{"JPEG", ".jpg"},
                                               {"JPEG", ".jpeg"},
                                               {"Bitmap", ".bmp"},
                                               {"PNG", ".png"},
                                               {"Bitmap", ".BMP"},
                                               {"Bitmap", ".dib"}});
    const std::string expected = std::string("All formats\0*.jpg;*.jpeg;*.bmp;*.png;*.dib\0", 43) +
                                 std::string("JPEG (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0", 33) +
                                 std::string("Bitmap (*.bmp)\0*.bmp\0", 21) +
                                 std::string("PNG (*.png)\0*.png\0", 18) +
                                 std::string("Bitmap (*.dib)\0*.dib\0", 21) + std::string("\0", 1);
    EXPECT_EQ(filter, expected);
}

TEST(OpenFileDialog, ResultAndTexts) {
    const char one[] = "C:\\p\\a.jpg\0\0";
    EXPECT_EQ(ChosenFiles(one, sizeof one), (std::vector<std::string>{"C:\\p\\a.jpg"}));
    const char many[] = "C:\\p\0a.jpg\0b c.png\0\0";
    EXPECT_EQ(ChosenFiles(many, sizeof many), (std::vector<std::string>{"C:\\p\\a.jpg", "C:\\p\\b c.png"}));
    const char root[] = "C:\\\0a.jpg\0b.jpg\0\0";
    EXPECT_EQ(ChosenFiles(root, sizeof root)[1], "C:\\b.jpg");
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ChosenFiles(unterminated, sizeof unterminated), (std::vector<std::string>{"abcd"}));
    EXPECT_EQ(SizeText(-1), "Size : ");
    EXPECT_EQ(SizeText(1535), "Size : 1 Kb");
    EXPECT_EQ(SizeText(1536), "Size : 2 Kb");
    EXPECT_EQ(FileNamePart("C:\\p\\q.jpg"), "q.jpg");
}
