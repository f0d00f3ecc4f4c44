#include <gtest/gtest.h>

#include "library/stored_text.h"

// Names that lists of this version hold pass as they are; bytes that earlier
// versions wrote in a Western or Eastern code page are told apart from UTF-8
// so that only those are converted.
TEST(StoredText, TellsUtf8FromCodePageBytes) {
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("C:\\Photos\\IMG_0001.jpg"));
    EXPECT_TRUE(IsUtf8("Staromětské náměstí \xCE\x91\xCE\xBA \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x8C\x85.jpg"));
    EXPECT_TRUE(IsUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last code point

    EXPECT_FALSE(IsUtf8("Caf\xE9.jpg"));          // é in Windows-1252
    EXPECT_FALSE(IsUtf8("M\xFCller\\x.jpg"));      // ü in Windows-1252
    EXPECT_FALSE(IsUtf8("\x93\xFA\x96\x7B.jpg"));  // Shift-JIS
    EXPECT_FALSE(IsUtf8("\xC3"));                  // cut off at the end
    EXPECT_FALSE(IsUtf8("\xE6\x9D"));
    EXPECT_FALSE(IsUtf8("\x80"));                  // a continuation byte alone
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));              // overlong "/"
    EXPECT_FALSE(IsUtf8("\xE0\x80\xAF"));
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));          // a surrogate
    EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80"));      // above U+10FFFF
    EXPECT_FALSE(IsUtf8("\xF8\x88\x80\x80\x80"));  // five-byte form
}
