// The icon graphic: kept bytes, the handle made on demand, size requests, sharing,
// saving from a handle, and its place among the picture formats.
#include "graphics/Canvas.h"
#include "graphics/Icon.h"
#include "graphics/IconFile.h"
#include "graphics/support/IconTestData.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

AnsiString Saved(TIcon& icon)
{
    TMemoryStream stream;
    icon.SaveStream(stream);
    return stream.Bytes();
}

void Load(TIcon& icon, const AnsiString& bytes)
{
    TMemoryStream stream(bytes);
    icon.LoadStream(stream);
}

template<typename E> void ExpectError(const std::function<void()>& action, const char* message)
{
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

SIZE IconSize(HICON icon)
{
    ICONINFO info {};
    GetIconInfo(icon, &info);
    BITMAP bitmap {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return { bitmap.bmWidth, bitmap.bmHeight };
}

const char* const InvalidIconText = "アイコンイメージが不正です";

}

TEST(Icon, StoredIconLoadsMakesItsHandleAndSavesBackUnchanged)
{
    AnsiString ico = MakeIco({ EightBitIcon32() });
    ASSERT_EQ(ico.size(), 2238u);
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    EXPECT_TRUE(icon.Transparent());
    int changes = 0;
    icon.SetOnChange([&](TObject*) { ++changes; });
    // Stored after a prefix: only the rest of the stream is the file.
    TMemoryStream stream("prefix" + ico);
    stream.SetPosition(6);
    icon.LoadStream(stream);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(icon.Empty());
    EXPECT_FALSE(icon.HandleAllocated());
    EXPECT_EQ(Saved(icon), ico);

    HICON handle = icon.Handle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(icon.Handle(), handle) << "made once";
    EXPECT_EQ(IconSize(handle).cx, 32);
    EXPECT_EQ(IconSize(handle).cy, 32);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    EXPECT_EQ(Saved(icon), ico) << "the kept bytes, not the handle, are written";

    TMemoryStream data;
    icon.WriteGraphicData(data);
    EXPECT_EQ(data.Bytes(), ico) << "no byte count in front";

    icon.SetTransparent(false);
    EXPECT_TRUE(icon.Transparent());
}

TEST(Icon, RequestedSizeChoosesUntilTheHandleExists)
{
    AnsiString ico = MakeIco({ FlatIcon(16, 4, 0xFF0000), FlatIcon(32, 4, 0x0000FF) });
    TIcon standard;
    Load(standard, ico);
    EXPECT_EQ(standard.Width(), GetSystemMetrics(SM_CXICON)) << "before the handle: the system size";
    EXPECT_EQ(IconSize(standard.Handle()).cx, 32);

    TIcon small;
    Load(small, ico);
    small.SetWidth(16);
    small.SetHeight(16);
    EXPECT_EQ(IconSize(small.Handle()).cx, 16);
    EXPECT_EQ(small.Width(), 16);
    EXPECT_EQ(small.Height(), 16);

    ExpectError<EInvalidGraphicOperation>([&] { small.SetWidth(32); }, "アイコンの大きさは変更できません");
    ExpectError<EInvalidGraphicOperation>([&] { small.SetHeight(32); }, "アイコンの大きさは変更できません");
    EXPECT_EQ(small.Width(), 16);
}

TEST(Icon, DamageShowsWhenTheHandleIsMade)
{
    AnsiString cursor = MakeIco({ FlatIcon(32, 4, 0xFF) });
    cursor[2] = 2;
    TIcon icon;
    Load(icon, MakeIco({ FlatIcon(32, 4, 0xFF) }));
    HICON before = icon.Handle();
    ExpectError<EInvalidGraphic>([&] { Load(icon, cursor); }, InvalidIconText);
    EXPECT_EQ(icon.Handle(), before) << "a refused file changes nothing";
    ExpectError<EInvalidGraphic>([&] { Load(icon, "\0\0\1"); }, InvalidIconText);

    // The directory and images are only read for the handle.
    AnsiString damaged = MakeIco({ FlatIcon(32, 4, 0xFF) });
    damaged.resize(damaged.size() - 1);
    TIcon late;
    Load(late, damaged);
    EXPECT_FALSE(late.Empty());
    ExpectError<EInvalidGraphic>([&] { late.Handle(); }, InvalidIconText);
    EXPECT_EQ(Saved(late), damaged);

    TIcon empty;
    ExpectError<EInvalidGraphic>([&] { Saved(empty); }, InvalidIconText);
    EXPECT_EQ(empty.Handle(), nullptr);
}

TEST(Icon, StockApplicationIcon)
{
    TIcon icon;
    Load(icon, AnsiString(6, '\0'));
    EXPECT_EQ(icon.Handle(), LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(Saved(icon), AnsiString(6, '\0'));

    TIcon given;
    given.SetHandle(LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(Saved(given), AnsiString(6, '\0'));
}

TEST(Icon, HandleGivenIsSavedAsSixteenColours)
{
    TestIconImage image = FlatIcon(32, 4, 0x00FF00);
    image.Transparent = [](int x, int) { return x >= 16; };
    image.Palette[0] = 0;
    image.PixelIndex = [](int x, int) { return x >= 16 ? 0 : 1; };
    SIZE chosen {};
    HICON handle = CreateIconFromIco(MakeIco({ image }), { 0, 0 }, chosen);

    TIcon icon;
    int changes = 0;
    icon.SetOnChange([&](TObject*) { ++changes; });
    icon.SetHandle(handle);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(icon.Handle(), handle);
    AnsiString saved = Saved(icon);
    ASSERT_EQ(saved.size(), 6u + 16 + 40 + 64 + 512 + 128);
    EXPECT_EQ(saved[8], 16) << "16 colours";

    TIcon reloaded;
    Load(reloaded, saved);
    const std::uint32_t background = 0x808080;
    EXPECT_EQ(DrawIconPixels(reloaded.Handle(), 32, 32, background), DrawIconPixels(handle, 32, 32, background));
    EXPECT_EQ(DrawIconPixels(reloaded.Handle(), 32, 32, background)[5 * 32 + 3], 0x00FF00u);
    EXPECT_EQ(DrawIconPixels(reloaded.Handle(), 32, 32, background)[5 * 32 + 20], background);
}

TEST(Icon, AssignSharesTheImage)
{
    TIcon first;
    Load(first, MakeIco({ FlatIcon(32, 4, 0xFF) }));
    TIcon second;
    int changes = 0;
    second.SetOnChange([&](TObject*) { ++changes; });
    second.Assign(&first);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(second.Handle(), first.Handle()) << "one shared handle";
    EXPECT_TRUE(first.HandleAllocated());

    // The image outlives the icon it came from.
    HICON shared = second.Handle();
    {
        TIcon third;
        third.Assign(&second);
    }
    EXPECT_EQ(IconSize(shared).cx, 32);

    second.Assign(nullptr);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(second.Empty());
    EXPECT_FALSE(first.Empty());

    TPicture picture;
    EXPECT_THROW(second.Assign(&picture), EConvertError);
}

TEST(Icon, NoClipboard)
{
    TIcon icon;
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    ExpectError<EInvalidGraphicOperation>(
        [&] { icon.SaveClipboardData(format, data, palette); }, "クリップボードはアイコンには対応していません");
    ExpectError<EInvalidGraphicOperation>(
        [&] { icon.LoadClipboardData(CF_BITMAP, nullptr, nullptr); }, "クリップボードはアイコンには対応していません");
}

TEST(Icon, DrawnAtItsOwnSizeAtTheTopLeftCorner)
{
    TestIconImage image = FlatIcon(16, 4, 0xFF0000);
    TIcon icon;
    Load(icon, MakeIco({ image }));
    icon.SetWidth(16);
    icon.SetHeight(16);

    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + 1600, 0x00101010u);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.StretchDraw(RECT { 5, 7, 40, 40 }, &icon);
        canvas.SetHandle(nullptr);
    }
    GdiFlush();
    auto at = [&](int x, int y) { return pixels[y * 40 + x] & 0xFFFFFF; };
    EXPECT_EQ(at(5, 7), 0xFF0000u);
    EXPECT_EQ(at(20, 22), 0xFF0000u);
    EXPECT_EQ(at(21, 22), 0x101010u) << "not stretched";
    EXPECT_EQ(at(20, 23), 0x101010u);
    EXPECT_EQ(at(4, 7), 0x101010u);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
}

TEST(Icon, PictureLoadsIconFilesByExtension)
{
    TempFolder folder;
    AnsiString ico = MakeIco({ EightBitIcon32() });
    AnsiString path = folder.Write("app.ICO", ico);
    TPicture picture;
    picture.LoadFile(path);
    auto* icon = dynamic_cast<TIcon*>(picture.Graphic());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(picture.Width(), 32);
    AnsiString copy = folder / "copy.dat";
    picture.SaveFile(copy);
    EXPECT_EQ(ReadFileBytes(copy), ico);

    // Stored form data: class name, then the bare icon file.
    TMemoryStream stored;
    picture.WritePictureData(stored);
    EXPECT_EQ(stored.Bytes(), "\x05TIcon" + ico);
    TPicture read;
    stored.SetPosition(0);
    read.ReadPictureData(stored);
    ASSERT_NE(dynamic_cast<TIcon*>(read.Graphic()), nullptr);
    EXPECT_EQ(IconSize(static_cast<TIcon*>(read.Graphic())->Handle()).cx, 32);
}
