#include <gtest/gtest.h>

#include <stdexcept>

#include "library/picture_list.h"

namespace {
// Root with one single picture, A with none, B with two.
TPicList ThreeEntries() {
    TPicList list;
    list.At(list.AddFolder("Root")).Pictures->assign({"r0"});
    list.AddFolder("A");
    list.At(list.AddFolder("B")).Pictures->assign({"b0", "b1"});
    return list;
}
}  // namespace

TEST(PicList, GlobalNumberingWalksTheEntries) {
    TPicList list = ThreeEntries();
    EXPECT_EQ(list.PictureCount(), 3);
    EXPECT_EQ(list.PictureName(0), "r0");
    EXPECT_EQ(list.PictureName(1), "b0");  // the empty entry A is skipped
    EXPECT_EQ(list.PictureName(2), "b1");
    EXPECT_EQ(list.PictureName(3), "");
    EXPECT_EQ(list.PictureName(-1), "");
}

TEST(PicList, NewFolderDefaultsAndIndices) {
    TPicList list;
    EXPECT_EQ(list.AddFolder("Root"), 0);
    EXPECT_EQ(list.AddFolder("C:\\X"), 1);
    TFolderItem item = list.Item(1);
    EXPECT_FALSE(item.AutoRefresh);
    EXPECT_TRUE(item.IncludeSubdirs);
    EXPECT_EQ(item.TreeItem, 0u);
    EXPECT_TRUE(item.Pictures->empty());
    EXPECT_TRUE(item.ExtraNames->empty());
    EXPECT_FALSE(list.Modified);
}

TEST(PicList, ItemCopiesShareTheirLists) {
    TPicList list = ThreeEntries();
    TFolderItem copy = list.Item(2);
    copy.Pictures->push_back("b2");
    copy.Path = "changed";
    EXPECT_EQ(list.PictureCount(), 4);
    EXPECT_EQ(list.At(2).Path, "B");

    TPicList other;
    other.AddItem(copy);
    other.At(0).AutoRefresh = true;
    EXPECT_FALSE(list.At(2).AutoRefresh);  // the record itself is a copy
}

TEST(PicList, IndexErrorsNameTheIndex) {
    TPicList list = ThreeEntries();
    try {
        list.Delete(5);
        FAIL() << "Delete(5) on three entries succeeded";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "List index exceeds bounds (5)");
    }
    EXPECT_THROW(list.Delete(-1), std::out_of_range);
    EXPECT_THROW(list.Item(3), std::out_of_range);
    EXPECT_EQ(list.Count(), 3);

    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.PictureName(0), "b0");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.PictureCount(), 0);
}
