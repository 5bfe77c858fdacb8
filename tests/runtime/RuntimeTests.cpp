#include "common/ExpectThrow.h"
#include "runtime/AnsiString.h"
#include "runtime/Exceptions.h"
#include "runtime/Persistent.h"

#include <gtest/gtest.h>

TEST(AnsiString, ByteKindsRespectDoubleByteCharacters)
{
    AnsiString text = "aソ\\"; // 'a', 0x83 0x5C, '\'
    EXPECT_EQ(ByteKindAt(text, 0), ByteKind::Single);
    EXPECT_EQ(ByteKindAt(text, 1), ByteKind::Lead);
    EXPECT_EQ(ByteKindAt(text, 2), ByteKind::Trail);
    EXPECT_EQ(ByteKindAt(text, 3), ByteKind::Single);
    // A lone lead byte at the end has no trail to pair with.
    EXPECT_EQ(ByteKindAt(AnsiString("a\x83"), 1), ByteKind::Single);
}

TEST(AnsiString, SearchesAndCutsKeepDoubleByteCharactersWhole)
{
    // "ソ" ends in the byte of "\", "ゾ" in the byte of "]".
    EXPECT_EQ(LastDelimiter("\\", "C:\\ソ\\ソ"), 6u);
    EXPECT_EQ(LastDelimiter("]", "[aゾ"), 0u);
    EXPECT_EQ(LastDelimiter("]", "[ゾ]"), 4u);

    // A cut inside a character leaves the character out; a cut after it keeps it.
    AnsiString name = "abゴシック"; // 2 + 4 characters of two bytes
    EXPECT_EQ(WholeCharacterLength(name, 3), 2u);
    EXPECT_EQ(WholeCharacterLength(name, 4), 4u);
    EXPECT_EQ(WholeCharacterLength(name, 100), name.size());
    EXPECT_EQ(WholeCharacterLength("ab\x83", 3), 3u) << "a lone lead byte at the end is a character";
}

TEST(AnsiString, CaseMappingLeavesDoubleByteCharactersAlone)
{
    // 0x82 0x60 is the full-width "Ａ"; its trail byte 0x60 must not be touched, and
    // the trail byte 0x41 ('A') of 0x83 0x41 ("ア") must not be lower-cased.
    EXPECT_EQ(AnsiLowerCase("ABC\x83\x41Z"), "abc\x83\x41z");
    EXPECT_EQ(AnsiUpperCase("abc\x82\x60z"), "ABC\x82\x60Z");
    EXPECT_LT(AnsiCompareText("b.jpg", "C.jpg"), 0);
    EXPECT_EQ(AnsiCompareText("SV_0905.JPG", "sv_0905.jpg"), 0);
    EXPECT_TRUE(SameText("TBitmap", "tbitmap"));
    EXPECT_FALSE(SameText("TBitmap", "TBitmaps"));
}

namespace {

class Knows : public TPersistent {
public:
    SV_CLASS_NAME(Knows)
    int value = 0;
    void Assign(TPersistent* source) override
    {
        if (auto* same = dynamic_cast<Knows*>(source)) {
            value = same->value;
            return;
        }
        TPersistent::Assign(source);
    }
};

class Stranger : public TPersistent {
public:
    SV_CLASS_NAME(Stranger)
};

// Knows nothing to copy from, but can copy itself into a Knows.
class Helper : public TPersistent {
public:
    SV_CLASS_NAME(Helper)
protected:
    void AssignInto(TPersistent* destination) override
    {
        if (auto* k = dynamic_cast<Knows*>(destination)) {
            k->value = 99;
            return;
        }
        TPersistent::AssignInto(destination);
    }
};

}

TEST(Persistent, AssignFallsBackToAssignIntoThenRaises)
{
    Knows a, b;
    b.value = 5;
    a.Assign(&b);
    EXPECT_EQ(a.value, 5);

    Helper helper;
    a.Assign(&helper);
    EXPECT_EQ(a.value, 99);

    Stranger stranger;
    ExpectThrowMessage<EConvertError>([&] { a.Assign(&stranger); }, "Stranger を Knows に代入することはできません");
    ExpectThrowMessage<EConvertError>([&] { a.Assign(nullptr); }, "nil を Knows に代入することはできません");
    EXPECT_EQ(a.value, 99);
}

TEST(Exceptions, InOutErrorTextsByCode)
{
    EXPECT_EQ(InOutErrorText(2), "ファイルが見つかりません");
    EXPECT_EQ(InOutErrorText(3), "不正なファイル名です");
    EXPECT_EQ(InOutErrorText(106), "入力値が数値ではありません");
    EXPECT_EQ(InOutErrorText(87), "I/O エラー (87)");
    InOutResult() = 5;
    try {
        RaiseInOutError(5);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 5);
        EXPECT_EQ(e.Message(), "ファイルへのアクセスが拒否されました");
        EXPECT_STREQ(e.ClassName(), "EInOutError");
    }
    EXPECT_EQ(InOutResult(), 0);
}

TEST(Exceptions, ClassesKeepTheirNamesThroughTheBase)
{
    try {
        throw EOutOfResources("x");
    } catch (const EOutOfMemory& e) {
        EXPECT_STREQ(e.ClassName(), "EOutOfResources");
    }
    try {
        throw EReadError("y");
    } catch (const EStreamError& e) {
        EXPECT_STREQ(static_cast<const Exception&>(e).ClassName(), "EReadError");
    }
}
