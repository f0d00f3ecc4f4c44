#include <gtest/gtest.h>

#include <cstring>

#include "library/picture_list.h"
#include "library/picture_list_format.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Serialize(const TPicList& list) {
    MemorySink sink;
    EXPECT_TRUE(WritePicList(list, sink));
    return sink.bytes;
}

TPicList Parse(const Bytes& bytes) {
    TPicList list;
    MemorySource source(bytes.data(), bytes.size());
    ParsePicList(source, list);
    return list;
}

void Append(Bytes& b, const std::string& s, bool zero = true) {
    b.insert(b.end(), s.begin(), s.end());
    if (zero) b.push_back(0);
}
void Append16(Bytes& b, uint16_t v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}
void Append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
Bytes Header(uint32_t version) {
    Bytes b = {'P', 'R'};
    Append32(b, version);
    return b;
}

// The C:\P entry with two pictures, as the current version writes it.
Bytes ExampleFile() {
    Bytes b = Header(0x02030000);
    Append16(b, 22);
    Append(b, "C:\\P");
    b.push_back(0x02);
    Append32(b, 2);
    Append32(b, 22);
    Append32(b, 0);
    Append32(b, 0);
    Append(b, "C:\\P\\a.jpg");
    Append(b, "C:\\P\\b.jpg");
    return b;
}

TPicList ExampleList() {
    TPicList list;
    int i = list.AddFolder("C:\\P");
    list.At(i).Pictures->assign({"C:\\P\\a.jpg", "C:\\P\\b.jpg"});
    return list;
}
}  // namespace

TEST(PicListFormat, EmptyListIsHeaderPlusRootBlock) {
    TPicList list;
    list.AddFolder("Root");
    Bytes expected = Header(0x02030000);
    EXPECT_EQ(expected, (Bytes{0x50, 0x52, 0x00, 0x00, 0x03, 0x02}));
    Append16(expected, 4 + 18);
    Append(expected, "Root");
    expected.push_back(0x02);
    for (int i = 0; i < 4; ++i) Append32(expected, 0);
    EXPECT_EQ(Serialize(list), expected);
    EXPECT_EQ(Serialize(list).size(), 6u + 24u);
}

TEST(PicListFormat, FolderEntryBytesAndFlags) {
    EXPECT_EQ(Serialize(ExampleList()), ExampleFile());

    TPicList list = ExampleList();
    list.At(0).AutoRefresh = true;
    list.At(0).IncludeSubdirs = false;
    EXPECT_EQ(Serialize(list)[6 + 2 + 5], 0x01);
}

TEST(PicListFormat, ExtraNamesFollowThePictures) {
    TPicList list = ExampleList();
    list.At(0).ExtraNames->assign({"x", ""});
    Bytes b = Serialize(list);
    Bytes expected = ExampleFile();
    // total grows by the extra part; E and its byte count are set.
    expected[6 + 2 + 6 + 4] = 22 + 3;
    expected[6 + 2 + 6 + 8] = 2;
    expected[6 + 2 + 6 + 12] = 3;
    Append(expected, "x");
    Append(expected, "");
    EXPECT_EQ(b, expected);

    TPicList back = Parse(b);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(*back.At(0).Pictures, *list.At(0).Pictures);
    EXPECT_EQ(*back.At(0).ExtraNames, (TStringList{"x", ""}));
}

TEST(PicListFormat, ReadsTheExampleBack) {
    TPicList list = Parse(ExampleFile());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).Path, "C:\\P");
    EXPECT_FALSE(list.At(0).AutoRefresh);
    EXPECT_TRUE(list.At(0).IncludeSubdirs);
    EXPECT_EQ(*list.At(0).Pictures, (TStringList{"C:\\P\\a.jpg", "C:\\P\\b.jpg"}));
}

TEST(PicListFormat, OlderVersions) {
    // 2.2: 32-bit count and total, no extra part.
    Bytes v22 = Header(0x02020000);
    Append16(v22, 4 + 10);
    Append(v22, "C:\\Q");
    v22.push_back(0x03);
    Append32(v22, 1);
    Append32(v22, 6);
    Append(v22, "q.jpg");
    Append16(v22, 4 + 10);
    Append(v22, "C:\\R");
    v22.push_back(0x00);
    Append32(v22, 0);
    Append32(v22, 0);
    TPicList a = Parse(v22);
    ASSERT_EQ(a.Count(), 2);
    EXPECT_TRUE(a.At(0).AutoRefresh);
    EXPECT_EQ(*a.At(0).Pictures, TStringList{"q.jpg"});
    EXPECT_EQ(a.At(1).Path, "C:\\R");
    EXPECT_FALSE(a.At(1).IncludeSubdirs);

    // Below 2.2: 16-bit count.
    Bytes v21 = Header(0x02010000);
    Append16(v21, 4 + 8);
    Append(v21, "C:\\S");
    v21.push_back(0x02);
    Append16(v21, 2);
    Append32(v21, 4);
    Append(v21, "a");
    Append(v21, "b");
    TPicList b = Parse(v21);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_EQ(*b.At(0).Pictures, (TStringList{"a", "b"}));

    // No magic: the first two bytes are skipped, blocks follow as below 2.2.
    Bytes old = {0x07, 0x00};
    old.insert(old.end(), v21.begin() + 6, v21.end());
    TPicList c = Parse(old);
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(c.At(0).Path, "C:\\S");
    EXPECT_EQ(*c.At(0).Pictures, (TStringList{"a", "b"}));
}

TEST(PicListFormat, CutInTheMiddleOfNamesKeepsCompleteNames) {
    TPicList list;
    list.AddFolder("Root");
    int i = list.AddFolder("C:\\P");
    list.At(i).Pictures->assign({"C:\\P\\a.jpg", "C:\\P\\b.jpg", "C:\\P\\c.jpg"});
    Bytes b = Serialize(list);
    b.resize(b.size() - 5);  // into the last name
    TPicList back = Parse(b);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.At(0).Path, "Root");
    EXPECT_EQ(*back.At(1).Pictures, (TStringList{"C:\\P\\a.jpg", "C:\\P\\b.jpg"}));
}

TEST(PicListFormat, DamagedFilesKeepWhatWasRead) {
    EXPECT_EQ(Parse(Header(0x02030000)).Count(), 0);
    EXPECT_EQ(Parse(Bytes{'P', 'R', 0}).Count(), 0);
    EXPECT_EQ(Parse(Bytes{}).Count(), 0);
    MemorySource nothing(nullptr, 0);  // what an empty vector may hand over
    uint8_t byte = 7;
    EXPECT_EQ(nothing.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 7);

    Bytes b = ExampleFile();
    Bytes noZero = b;
    Append16(noZero, 3);
    Append(noZero, "abc", false);  // a head without its 0x00
    EXPECT_EQ(Parse(noZero).Count(), 1);

    Bytes shortHead = b;
    Append16(shortHead, 5);
    Append(shortHead, "ab");
    shortHead.insert(shortHead.end(), {1, 2});  // counts missing
    EXPECT_EQ(Parse(shortHead).Count(), 1);

    Bytes headCut = b;
    Append16(headCut, 40);  // longer than what is left
    Append(headCut, "abc");
    EXPECT_EQ(Parse(headCut).Count(), 1);

    Bytes endMark = b;
    Append16(endMark, 0);
    endMark.insert(endMark.end(), b.begin() + 6, b.end());
    EXPECT_EQ(Parse(endMark).Count(), 1);

    // Extra bytes larger than the total: damaged, nothing more is read.
    Bytes wrongTotals = b;
    Append16(wrongTotals, 19);
    Append(wrongTotals, "X");
    wrongTotals.push_back(0);
    Append32(wrongTotals, 0);
    Append32(wrongTotals, 1);
    Append32(wrongTotals, 0);
    Append32(wrongTotals, 2);
    EXPECT_EQ(Parse(wrongTotals).Count(), 1);
}

TEST(PicListFormat, HugeCountsAreBoundedByTheData) {
    Bytes b = Header(0x02030000);
    Append16(b, 19);
    Append(b, "X");
    b.push_back(0);
    Append32(b, 0xFFFFFFFF);
    Append32(b, 0xFFFFFFF0);
    Append32(b, 0xFFFFFFFF);
    Append32(b, 0);
    Append(b, "one");
    Append(b, "two");
    TPicList list = Parse(b);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(*list.At(0).Pictures, (TStringList{"one", "two"}));

    // At most P names are taken from a part.
    Bytes few = ExampleFile();
    few[6 + 2 + 6] = 1;
    EXPECT_EQ(*Parse(few).At(0).Pictures, TStringList{"C:\\P\\a.jpg"});
}

TEST(PicListFormat, LargeListRoundTripsByteForByte) {
    TPicList list;
    list.AddFolder("Root");
    for (int f = 0; f < 50; ++f) {
        std::string folder = "D:\\Photos\\Album " + std::to_string(f);
        TFolderItem& item = list.At(list.AddFolder(folder));
        item.AutoRefresh = f % 2 == 0;
        item.IncludeSubdirs = f % 3 != 0;
        for (int p = 0; p < 2000; ++p) item.Pictures->push_back(folder + "\\IMG_" + std::to_string(100000 + p) + ".JPG");
    }
    list.At(7).ExtraNames->assign({"extra one", "extra two"});
    Bytes first = Serialize(list);
    TPicList back = Parse(first);
    EXPECT_EQ(back.PictureCount(), 100000);
    EXPECT_EQ(back.Count(), 51);
    EXPECT_EQ(Serialize(back), first);
}

TEST(PicListFormat, EntriesTooLargeForTheFormatAreRefused) {
    TPicList list;
    list.AddFolder(std::string(0xFFFF, 'a'));
    EXPECT_THROW(CheckStorable(list), std::runtime_error);
    TPicList fine;
    fine.AddFolder(std::string(0xFFFF - 18, 'a'));
    EXPECT_NO_THROW(CheckStorable(fine));
}
