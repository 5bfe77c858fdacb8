#include "graphics/support/ByteGraphic.h"
#include "common/ExpectThrow.h"
#include "common/StartUp.h"
#include "common/TestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/FileFormatsList.h"
#include "graphics/Icon.h"
#include "graphics/JPEGImage.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// The program registers the JPEG graphic at start-up, before any picture is read.
const testing::Environment* const jpegGraphic = RunBeforeTests(&RegisterJPEGGraphic);

// Registers the byte graphics for ".bytes", ".other" and the double-byte ".表"
// (whose trail byte is 0x5C) and the clipboard format 0xC123; removes them after.
class PictureTest : public testing::Test {
protected:
    void SetUp() override
    {
        TPicture::RegisterExtension("bytes", "bytes", TByteGraphic::StaticClass());
        TPicture::RegisterExtension("Other", "other", TOtherByteGraphic::StaticClass());
        TPicture::RegisterExtension("表", "kanji", TByteGraphic::StaticClass());
        TPicture::RegisterClipboardFormat(0xC123, TByteGraphic::StaticClass());
        picture.SetOnChange([this](TObject* sender) {
            EXPECT_EQ(sender, &picture);
            ++changes;
        });
    }
    void TearDown() override { TPicture::UnregisterGraphic(TByteGraphic::StaticClass()); }

    AnsiString ExtensionError(const AnsiString& fileName)
    {
        try {
            picture.LoadFile(fileName);
        } catch (const EInvalidGraphic& e) {
            return e.Message();
        }
        return "no error";
    }

    TempFolder dir;
    TPicture picture;
    int changes = 0;
};

class CountingNotifier : public IChangeNotifier {
public:
    void Changed() override { ++count; }
    int count = 0;
};

} // namespace

TEST(FileFormats, BuiltInRegistrationsInOrder)
{
    TPicture picture; // creates both registries
    const auto& records = TFileFormatsList::Instance().Records();
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0].extension, "wmf");
    EXPECT_EQ(records[0].description, "メタファイル");
    EXPECT_EQ(records[0].graphicClass, TMetafile::StaticClass());
    EXPECT_EQ(records[1].extension, "emf");
    EXPECT_EQ(records[1].description, "エンハンス メタファイル");
    EXPECT_EQ(records[1].descriptionId, 0);
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[2].extension, "ico");
    EXPECT_EQ(records[2].description, "アイコン");
    EXPECT_EQ(records[2].graphicClass, TIcon::StaticClass());
    ASSERT_GE(records.size(), 6u);
    EXPECT_EQ(records[3].extension, "bmp");
    EXPECT_EQ(records[3].description, "ビットマップ");
    EXPECT_EQ(records[3].graphicClass, TBitmap::StaticClass());
    // The JPEG graphic's start-up comes next.
    EXPECT_EQ(records[4].extension, "jpeg");
    EXPECT_EQ(records[5].extension, "jpg");
    auto& clip = TClipboardFormats::Instance();
    ASSERT_GE(clip.Count(), 2u);
    EXPECT_EQ(clip.Format(0), CF_METAFILEPICT);
    EXPECT_EQ(clip.Format(1), CF_ENHMETAFILE);
    ASSERT_GE(clip.Count(), 3u);
    EXPECT_EQ(clip.Format(2), CF_BITMAP);
    EXPECT_EQ(clip.GraphicClass(2), TBitmap::StaticClass());
    EXPECT_TRUE(TPicture::SupportsClipboardData(CF_ENHMETAFILE));
    EXPECT_FALSE(TPicture::SupportsClipboardData(CF_TEXT));
}

TEST(FileFormats, ExtensionRuleIsDoubleByteAware)
{
    EXPECT_EQ(GraphicFileExtension("c:\\a\\photo.Jpeg"), "Jpeg");
    EXPECT_EQ(GraphicFileExtension("c:\\a.b\\file"), "");
    EXPECT_EQ(GraphicFileExtension("file"), "");
    EXPECT_EQ(GraphicFileExtension("a.b:c"), "");
    EXPECT_EQ(GraphicFileExtension("trailing."), "");
    // ソ is 0x83 0x5C: its trail byte is not a folder separator.
    EXPECT_EQ(GraphicFileExtension("c:\\写真\\a.ソ表"), "ソ表");
    EXPECT_EQ(GraphicFileExtension("c:\\ソ.x\\b"), "");
}

TEST_F(PictureTest, UnknownExtensionsAreRejectedAndLeaveThePictureAlone)
{
    picture.Assign(nullptr);
    changes = 0;
    EXPECT_EQ(ExtensionError(dir / "image.gif"), "拡張子 .gif の画像形式は処理できません");
    EXPECT_EQ(ExtensionError(dir / "image.GiF"), "拡張子 .GiF の画像形式は処理できません");
    EXPECT_EQ(ExtensionError(dir / "noextension"), "拡張子 . の画像形式は処理できません");
    AnsiString folder = dir.MakeFolder("a.b");
    EXPECT_EQ(ExtensionError(folder + "\\file"), "拡張子 . の画像形式は処理できません");
    EXPECT_EQ(ExtensionError(dir / "x.ソ"), "拡張子 .ソ の画像形式は処理できません");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(PictureTest, LoadFileChoosesTheClassByExtensionIgnoringCase)
{
    AnsiString a = dir.Write("one.BYTES", "first");
    picture.LoadFile(a);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassType(), TByteGraphic::StaticClass());
    EXPECT_EQ(changes, 1);
    picture.LoadFile(dir.Write("two.oThEr", "second"));
    EXPECT_EQ(picture.Graphic()->ClassType(), TOtherByteGraphic::StaticClass());
    picture.LoadFile(dir.Write("three.表", "third"));
    EXPECT_EQ(static_cast<TByteGraphic*>(picture.Graphic())->bytes, "third");
    EXPECT_EQ(changes, 3);

    // Later registrations win over earlier ones for the same extension.
    TPicture::RegisterExtension("BYTES", "again", TOtherByteGraphic::StaticClass());
    picture.LoadFile(a);
    EXPECT_EQ(picture.Graphic()->ClassType(), TOtherByteGraphic::StaticClass());
}

TEST_F(PictureTest, RejectedContentOrMissingFileKeepsTheOldGraphic)
{
    picture.LoadFile(dir.Write("good.bytes", "good"));
    TGraphic* old = picture.Graphic();
    changes = 0;
    EXPECT_THROW(picture.LoadFile(dir.Write("bad.bytes", "bad data")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFile(dir / "missing.bytes"), EFOpenError);
    EXPECT_EQ(picture.Graphic(), old);
    EXPECT_EQ(changes, 0);
    // The kept graphic still reports its changes through the picture.
    picture.Graphic()->SetTransparent(true);
    EXPECT_EQ(changes, 1);
}

TEST_F(PictureTest, ChangesReachHandlerThenNotifierAndProgressIsForwarded)
{
    CountingNotifier notifier;
    picture.SetNotify(&notifier);
    std::vector<int> percents;
    picture.SetOnProgress([&](TObject*, TProgressStage, std::uint8_t percent, bool, const RECT&, const AnsiString&) {
        percents.push_back(percent);
    });
    picture.LoadFile(dir.Write("p.bytes", "x"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(notifier.count, 1);
    picture.Graphic()->SetWidth(5);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(notifier.count, 2);
    EXPECT_EQ(picture.Width(), 5);
    picture.Graphic()->Progress(picture.Graphic(), psRunning, 33, false, RECT {}, "");
    EXPECT_EQ(percents, std::vector<int> { 33 });
    picture.SetNotify(nullptr);
}

TEST_F(PictureTest, SaveFileWritesTheGraphicsOwnFormatAndNothingWhenEmpty)
{
    picture.SaveFile(dir / "empty.dat");
    EXPECT_EQ(GetFileAttributesA((dir / "empty.dat").c_str()), INVALID_FILE_ATTRIBUTES);
    picture.LoadFile(dir.Write("p.bytes", "content"));
    picture.SaveFile(dir / "_tmp.dat");
    EXPECT_EQ(ReadFileBytes(dir / "_tmp.dat"), "content");
}

TEST_F(PictureTest, ClipboardDataByRegisteredFormat)
{
    ExpectThrowMessage<EInvalidGraphic>(
        [&] { picture.LoadClipboardData(CF_TEXT, nullptr, nullptr); }, "未対応のクリップボード データです");
    EXPECT_EQ(changes, 0);
    picture.LoadClipboardData(0xC123, nullptr, nullptr);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 1);
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    picture.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, 0xC123);
    picture.Assign(nullptr);
    format = 7;
    picture.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, 7);
}

TEST_F(PictureTest, AssignCopiesTheGraphicAndSelfAssignmentMakesOneChange)
{
    TByteGraphic source;
    source.bytes = "src";
    picture.Assign(&source);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), &source);
    EXPECT_EQ(static_cast<TByteGraphic*>(picture.Graphic())->bytes, "src");
    EXPECT_EQ(changes, 1);

    TGraphic* before = picture.Graphic();
    picture.Assign(&picture);
    EXPECT_EQ(changes, 2);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), before);
    EXPECT_EQ(static_cast<TByteGraphic*>(picture.Graphic())->bytes, "src");

    TPicture other;
    other.Assign(&picture);
    EXPECT_EQ(static_cast<TByteGraphic*>(other.Graphic())->bytes, "src");
    TPicture empty;
    other.Assign(&empty);
    EXPECT_EQ(other.Graphic(), nullptr);

    TPersistent unrelated;
    ExpectThrowMessage<EConvertError>(
        [&] { picture.Assign(&unrelated); }, "TPersistent を TPicture に代入することはできません");
    EXPECT_EQ(changes, 2);
}

TEST_F(PictureTest, AssignIntoAGraphicOfTheHeldClass)
{
    TOtherByteGraphic held;
    held.bytes = "held";
    picture.Assign(&held);
    TByteGraphic base; // the held class derives from it
    base.Assign(&picture);
    EXPECT_EQ(base.bytes, "held");

    TMetafile meta;
    EXPECT_THROW(meta.Assign(&picture), EConvertError);
    picture.Assign(nullptr);
    EXPECT_THROW(base.Assign(&picture), EConvertError);
}

TEST_F(PictureTest, ForceGraphicDiscardsAnotherClass)
{
    TByteGraphic source;
    source.bytes = "keep";
    picture.Assign(&source);
    TGraphic* held = picture.Graphic();
    changes = 0;
    EXPECT_EQ(picture.ForceGraphic(TByteGraphic::StaticClass()), held);
    EXPECT_EQ(changes, 0);
    TGraphic* other = picture.ForceGraphic(TOtherByteGraphic::StaticClass());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(static_cast<TByteGraphic*>(other)->bytes.empty());
    other->SetTransparent(true); // handlers installed
    EXPECT_EQ(changes, 2);

    TIcon* icon = picture.Icon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(picture.Graphic(), icon);
    EXPECT_TRUE(icon->Empty());
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(picture.Icon(), icon);
    EXPECT_EQ(changes, 3);

    TBitmap* bitmap = picture.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(picture.Graphic(), bitmap);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(picture.Bitmap(), bitmap);
    bitmap->SetWidth(3); // a drawable bitmap whose changes reach the picture
    EXPECT_EQ(changes, 5);
}

TEST_F(PictureTest, ABitmapIsSavedAsBmpAndStoredWithItsByteCount)
{
    TBitmap* bitmap = picture.Bitmap();
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    bitmap->SetWidth(4);
    bitmap->SetHeight(2);
    picture.SaveFile(dir / "_tmp.dat");
    AnsiString file = ReadFileBytes(dir / "_tmp.dat");
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file.substr(0, 2), "BM");

    TMemoryStream stored;
    picture.WritePictureData(stored);
    EXPECT_EQ(stored.Bytes().substr(0, 8), AnsiString("\x07TBitmap"));
    EXPECT_EQ(stored.Bytes().substr(12, 2), "BM");
    TPicture copy;
    stored.SetPosition(0);
    copy.ReadPictureData(stored);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Graphic()->ClassType(), TBitmap::StaticClass());
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Height(), 2);

    // From the clipboard's kind of data: a bitmap handle.
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 5, 3);
    ReleaseDC(nullptr, screen);
    changes = 0;
    picture.LoadClipboardData(CF_BITMAP, ddb, nullptr);
    EXPECT_EQ(picture.Graphic()->ClassType(), TBitmap::StaticClass());
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(changes, 1);
    DeleteObject(ddb); // the picture keeps its own copy
    EXPECT_EQ(picture.Height(), 3);

    // Into a bitmap: the held bitmap is a TBitmap.
    TBitmap target;
    target.Assign(&picture);
    EXPECT_EQ(target.Width(), 5);
}

TEST_F(PictureTest, StoredDataRoundTripsByClassName)
{
    TOtherByteGraphic source;
    source.bytes = "payload";
    picture.Assign(&source);
    TMemoryStream stored;
    picture.WritePictureData(stored);
    EXPECT_EQ(stored.Bytes(), AnsiString("\x11TOtherByteGraphicpayload"));

    TPicture copy;
    stored.SetPosition(0);
    copy.ReadPictureData(stored);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Graphic()->ClassType(), TOtherByteGraphic::StaticClass());
    EXPECT_EQ(static_cast<TByteGraphic*>(copy.Graphic())->bytes, "payload");

    TMemoryStream empty;
    TPicture none;
    none.WritePictureData(empty);
    EXPECT_EQ(empty.Bytes(), AnsiString(1, '\0'));
}

TEST_F(PictureTest, StoredDataWithUnknownOrDamagedClassName)
{
    picture.LoadFile(dir.Write("p.bytes", "x"));
    changes = 0;
    // An unregistered class reads as an empty picture; its bytes stay in the stream.
    TMemoryStream unknown(AnsiString("\x06TThingrest"));
    picture.ReadPictureData(unknown);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(unknown.Position(), 7);

    // A class name longer than 63 bytes is damaged data: rejected, nothing past the
    // length byte is read, the picture stays.
    picture.LoadFile(dir.Write("q.bytes", "y"));
    changes = 0;
    AnsiString longName(1, static_cast<char>(64));
    longName += AnsiString(64, 'T') + "data";
    TMemoryStream damaged(longName);
    ExpectThrowMessage<EReadError>([&] { picture.ReadPictureData(damaged); }, "不正なプロパティの値です");
    EXPECT_EQ(damaged.Position(), 1);
    EXPECT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 0);

    // A graphic that rejects its data leaves the picture unchanged.
    TMemoryStream bad(AnsiString("\x0CTByteGraphicbad"));
    EXPECT_THROW(picture.ReadPictureData(bad), EInvalidGraphic);
    EXPECT_EQ(static_cast<TByteGraphic*>(picture.Graphic())->bytes, "y");
    // A name cut short by the end of the stream.
    TMemoryStream cut(AnsiString("\x0CTByte"));
    EXPECT_THROW(picture.ReadPictureData(cut), EReadError);
    EXPECT_EQ(changes, 0);
}

TEST_F(PictureTest, StoredDataIsWrittenOnlyWhenItDiffersFromTheAncestor)
{
    TPicture ancestor;
    EXPECT_FALSE(picture.DataNeedsWriting(nullptr));
    EXPECT_FALSE(picture.DataNeedsWriting(&ancestor)); // two empty pictures
    TByteGraphic g;
    g.bytes = "same";
    picture.Assign(&g);
    EXPECT_TRUE(picture.DataNeedsWriting(nullptr));
    TPersistent other;
    EXPECT_TRUE(picture.DataNeedsWriting(&other));
    EXPECT_TRUE(picture.DataNeedsWriting(&ancestor));
    ancestor.Assign(&g);
    EXPECT_FALSE(picture.DataNeedsWriting(&ancestor));
    g.bytes = "different";
    ancestor.Assign(&g);
    EXPECT_TRUE(picture.DataNeedsWriting(&ancestor));
}

TEST_F(PictureTest, UnregisterRemovesDerivedClassesFromBothRegistries)
{
    TPicture::UnregisterGraphic(TByteGraphic::StaticClass());
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("other"), nullptr);
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("bytes"), nullptr);
    EXPECT_FALSE(TPicture::SupportsClipboardData(0xC123));
    EXPECT_EQ(TFileFormatsList::Instance().FindExt("wmf"), TMetafile::StaticClass());
}

TEST(Metafile, IsAlwaysEmptyAndReadsNothing)
{
    TMetafile meta;
    EXPECT_TRUE(meta.Empty());
    EXPECT_EQ(meta.Width(), 0);
    TMemoryStream stream(AnsiString("\xD7\xCD\xC6\x9A"));
    ExpectThrowMessage<EInvalidGraphic>([&] { meta.LoadStream(stream); }, "画像フォーマットが不正です");
    TMemoryStream out;
    meta.SaveStream(out);
    EXPECT_EQ(out.Size(), 0);
    TByteGraphic empty;
    EXPECT_TRUE(meta.SameImage(&empty));
}
