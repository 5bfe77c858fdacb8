#include "runtime/Exceptions.h"
#include "runtime/Format.h"

#include <gtest/gtest.h>

TEST(Format, DirectivesWidthsAndPrecision)
{
    EXPECT_EQ(Format("JPEG エラー #%d", 42), "JPEG エラー #42");
    EXPECT_EQ(Format("%s_%d", AnsiString("MainForm1"), 2), "MainForm1_2");
    EXPECT_EQ(Format("[%5d|%-5d|%.3d]", 7, 7, 7), "[    7|7    |007]");
    EXPECT_EQ(Format("%x %X %u", 255, 0xABCu, 4000000000u), "FF ABC 4000000000");
    EXPECT_EQ(Format("%*d|%.*s", 4, 9, 2, "abcdef"), "   9|ab");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%p", reinterpret_cast<const void*>(0x1234)), "00001234");
}

TEST(Format, MissingOrWrongArgumentsRaise)
{
    EXPECT_THROW(Format("%d"), EConvertError);
    EXPECT_THROW(Format("%d", "text"), EConvertError);
    EXPECT_THROW(Format("%s", 5), EConvertError);
    EXPECT_THROW(Format("trailing %"), EConvertError);
}

TEST(Format, MultiByteTextPassesThrough)
{
    // "ソ" is 0x83 0x5C: its trail byte must not be treated as anything special.
    EXPECT_EQ(
        Format("%s を %s に代入することはできません", "ソ", "TBitmap"), "ソ を TBitmap に代入することはできません");
    EXPECT_EQ(AnsiString("ソ"), AnsiString("\x83\x5C"));
}

TEST(StringTable, TextsByIdAndUnknownIds)
{
    EXPECT_EQ(LoadResString(TextId::JpegError), "JPEG エラー #%d");
    EXPECT_EQ(LoadResString(TextId::ResourceNotFound), "%s リソースが見つかりません");
    EXPECT_EQ(LoadResString(TextId::KeyEnter), "Enter");
    EXPECT_EQ(LoadResString(static_cast<TextId>(1)), "");
    EXPECT_EQ(Exception::ResText(TextId::UnknownExtension, "gif"), "拡張子 .gif の画像形式は処理できません");
}
