// The process's clipboard object: opening and nesting, emptying once per opening,
// pictures and bitmaps out and back, and another program holding the clipboard.
#include "graphics/Bitmap.h"
#include "graphics/support/ByteGraphic.h"
#include "graphics/Clipboard.h"
#include "graphics/ClipboardContent.h"
#include "graphics/Icon.h"
#include "graphics/support/IconTestData.h"
#include "graphics/support/JpegEncoding.h"
#include "graphics/support/TopDownDib.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "common/ClipboardSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace {

// The formats on the clipboard in its own order (formats the system adds included).
std::vector<UINT> ClipboardFormats()
{
    std::vector<UINT> formats;
    if (!OpenClipboard(nullptr))
        return { 0xFFFFFFFF };
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        formats.push_back(f);
    CloseClipboard();
    return formats;
}

AnsiString ClipboardText()
{
    AnsiString text;
    if (!OpenClipboard(nullptr))
        return "(not open)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

bool ClipboardClosed() { return GetOpenClipboardWindow() == nullptr; }

// A bitmap of the given size with every pixel's colour known: (x * 8) red,
// (y * 8) green, 0x40 blue.
std::unique_ptr<TBitmap> PatternBitmap(int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    HDC dc = bitmap->Canvas()->Handle();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dc, x, y, RGB(x * 8, y * 8, 0x40));
    return bitmap;
}

// The pixels of a bitmap handle as 0x00RRGGBB, rows from the top.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = TopDown32BitInfo(width, height);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (auto& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

// A colour JPEG file of the given size, and what the JPEG library decodes it to.
struct TestJpeg {
    AnsiString bytes;
    std::vector<std::uint32_t> decoded; // 0x00RRGGBB, rows from the top
};

TestJpeg MakeJpeg(int width, int height)
{
    TestJpeg result;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
            p[0] = static_cast<unsigned char>(x * 255 / width);
            p[1] = static_cast<unsigned char>((x / 4 + y / 4) % 2 ? 220 : 30);
            p[2] = static_cast<unsigned char>(y * 255 / height);
        }
    result.bytes = EncodeJpeg(width, height, 3, JCS_RGB, rgb, 80);

    jpeg_error_mgr errors {};
    jpeg_decompress_struct d {};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(result.bytes.data()), result.bytes.size());
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    std::vector<unsigned char> line(static_cast<std::size_t>(width * 3));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&d, &row, 1);
        for (int x = 0; x < width; ++x)
            result.decoded.push_back(
                std::uint32_t(line[x * 3]) << 16 | std::uint32_t(line[x * 3 + 1]) << 8 | line[x * 3 + 2]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return result;
}

class Clipboard : public testing::Test {
protected:
    void SetUp() override
    {
        PutClipboardText("from another window", true);
        ASSERT_EQ(ClipboardText(), "from another window");
    }
    void TearDown() override { EXPECT_EQ(GlobalClipboard()->OpenCount(), 0); }
};

}

namespace {

// A graphic whose clipboard data the platform refuses: a bitmap handle that is gone,
// with a palette of its own.
class TRefusedGraphic : public TByteGraphic {
public:
    HPALETTE palette = nullptr;
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& out) override
    {
        HBITMAP gone = CreateBitmap(2, 2, 1, 1, nullptr);
        DeleteObject(gone);
        format = CF_BITMAP;
        data = gone;
        HDC screen = GetDC(nullptr);
        palette = CreateHalftonePalette(screen);
        ReleaseDC(nullptr, screen);
        out = palette;
    }
};

}

TEST_F(Clipboard, DataThePlatformRefusesRaisesAndPutsNoPalette)
{
    TRefusedGraphic graphic;
    graphic.bytes = "x";
    try {
        GlobalClipboard()->Assign(&graphic);
        FAIL() << "no error";
    } catch (const EWin32Error& e) {
        EXPECT_EQ(e.Message().rfind("Win32 ", 0), 0u) << e.Message();
    }
    EXPECT_TRUE(ClipboardClosed());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_PALETTE)) << "the palette of refused data stays out";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_TRUE(graphic.palette);
    EXPECT_EQ(GetObjectType(graphic.palette), 0u) << "and is deleted, not lost";
}

TEST_F(Clipboard, OneObjectForTheProcess)
{
    EXPECT_EQ(GlobalClipboard(), GlobalClipboard());
    EXPECT_STREQ(GlobalClipboard()->ClassName(), "TClipboard");
}

TEST_F(Clipboard, PuttingAPictureReplacesTextWithAScreenBitmap)
{
    TPicture picture;
    picture.SetGraphic(PatternBitmap(12, 7).get());
    GlobalClipboard()->Assign(&picture);
    EXPECT_TRUE(ClipboardClosed());

    std::vector<UINT> formats = ClipboardFormats();
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(formats[0], static_cast<UINT>(CF_BITMAP));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));

    ASSERT_TRUE(OpenClipboard(nullptr));
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP description {};
    GetObjectA(bitmap, sizeof description, &description);
    EXPECT_EQ(description.bmWidth, 12);
    EXPECT_EQ(description.bmHeight, 7);
    EXPECT_EQ(description.bmBits, nullptr) << "a device-dependent bitmap";
    // The screen-compatible format of a 24-bit X screen is 32 bits per pixel.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(description.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
    EXPECT_EQ(description.bmBitsPixel, 32);
    ReleaseDC(nullptr, screen);
    std::vector<std::uint32_t> pixels = Pixels(bitmap, 12, 7);
    CloseClipboard();
    EXPECT_EQ(pixels[0], 0x000040u);
    EXPECT_EQ(pixels[6 * 12 + 11], 0x583040u);
}

TEST_F(Clipboard, EmptyPictureLeavesTheClipboardEmpty)
{
    TPicture picture;
    GlobalClipboard()->Assign(&picture);
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_TRUE(ClipboardClosed());
}

TEST_F(Clipboard, ReadingOnlyTextIsAnInvalidFormat)
{
    TPicture picture;
    picture.SetGraphic(PatternBitmap(3, 3).get());
    TGraphic* before = picture.Graphic();
    try {
        picture.Assign(GlobalClipboard());
        ADD_FAILURE() << "no error";
    } catch (const EConvertError&) {
        ADD_FAILURE() << "an assignment error instead";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "無効なクリップボード フォーマットです");
    }
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_TRUE(ClipboardClosed());
    EXPECT_EQ(ClipboardText(), "from another window");

    TBitmap bitmap;
    EXPECT_THROW(bitmap.Assign(GlobalClipboard()), EInvalidGraphic) << "no bitmap there";
    EXPECT_TRUE(ClipboardClosed());
}

TEST_F(Clipboard, NestedOpenAndClearCloseOnlyAtTheOuterClose)
{
    TClipboard* clipboard = GlobalClipboard();
    clipboard->Open();
    HWND window = clipboard->ClipboardWindow();
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(GetOpenClipboardWindow(), window);
    clipboard->Clear();
    EXPECT_EQ(clipboard->OpenCount(), 1);
    EXPECT_EQ(GetOpenClipboardWindow(), window) << "the inner clear must not close";
    EXPECT_EQ(CountClipboardFormats(), 0);
    clipboard->Open();
    EXPECT_EQ(clipboard->OpenCount(), 2);
    clipboard->Close();
    EXPECT_EQ(GetOpenClipboardWindow(), window);
    clipboard->Close();
    EXPECT_TRUE(ClipboardClosed());
    EXPECT_EQ(clipboard->ClipboardWindow(), nullptr);
    clipboard->Close(); // at depth 0: nothing
    EXPECT_EQ(clipboard->OpenCount(), 0);
}

HWND providedWindow = nullptr;

HWND ProvidedWindow() { return providedWindow; }

TEST_F(Clipboard, OpensOnTheProvidedWindowOrAUtilityWindowOfItsOwn)
{
    TClipboard* clipboard = GlobalClipboard();
    HWND owner = CreateWindowExA(0, "STATIC", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    providedWindow = owner;
    SetClipboardWindowProvider(&ProvidedWindow);
    clipboard->Open();
    EXPECT_EQ(clipboard->ClipboardWindow(), providedWindow);
    EXPECT_EQ(GetOpenClipboardWindow(), providedWindow);
    clipboard->Close();
    EXPECT_TRUE(IsWindow(providedWindow));

    // A provider without a window, or none at all: a utility window, released at the
    // last close.
    providedWindow = nullptr;
    for (bool withProvider : { true, false }) {
        SetClipboardWindowProvider(withProvider ? &ProvidedWindow : nullptr);
        clipboard->Open();
        HWND window = clipboard->ClipboardWindow();
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        EXPECT_STREQ(name, "TPUtilWindow");
        EXPECT_EQ(GetOpenClipboardWindow(), window);
        clipboard->Clear();
        clipboard->Close();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(ClipboardFormats().empty());
    }
    DestroyWindow(owner);
}

TEST_F(Clipboard, SeveralPutsInOneOpeningEmptyOnce)
{
    TClipboard* clipboard = GlobalClipboard();
    TPicture picture;
    picture.SetGraphic(PatternBitmap(4, 4).get());
    clipboard->Open();
    clipboard->Assign(&picture); // empties: the other window's text goes
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(memory), "ok", 3);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    clipboard->Assign(picture.Graphic()); // does not empty again
    clipboard->Close();
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(ClipboardText(), "ok");

    clipboard->Assign(&picture); // a new opening empties again
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    clipboard->Clear();
    EXPECT_TRUE(ClipboardFormats().empty());
}

TEST_F(Clipboard, JpegPictureComesBackAsABitmap)
{
    TempFolder folder;
    TestJpeg jpeg = MakeJpeg(45, 29);
    AnsiString path = folder.Write("photo.jpg", jpeg.bytes);
    TPicture picture;
    picture.LoadFile(path);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);

    GlobalClipboard()->Assign(&picture);
    picture.Assign(GlobalClipboard());
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 45);
    EXPECT_EQ(bitmap->Height(), 29);
    EXPECT_EQ(Pixels(bitmap->Handle(), 45, 29), jpeg.decoded);

    // The picture's bitmap is a private copy: the clipboard keeps its own.
    GlobalClipboard()->Clear();
    EXPECT_EQ(Pixels(bitmap->Handle(), 45, 29), jpeg.decoded);

    // A bitmap reads the clipboard's bitmap too.
    GlobalClipboard()->Assign(bitmap);
    TBitmap copy;
    copy.Assign(GlobalClipboard());
    EXPECT_EQ(Pixels(copy.Handle(), 45, 29), jpeg.decoded);
}

TEST_F(Clipboard, JpegThatFailsToDecodeLeavesTheClipboardEmptied)
{
    // An empty photo file loads (decoding waits until pixels are needed) and fails
    // when it is put on the clipboard, after the clipboard was emptied.
    TempFolder folder;
    TPicture picture;
    picture.LoadFile(folder.Write("empty.jpg", ""));
    EXPECT_THROW(GlobalClipboard()->Assign(&picture), EJPEG);
    EXPECT_TRUE(ClipboardClosed());
    EXPECT_TRUE(ClipboardFormats().empty());
}

TEST_F(Clipboard, IconsDoNotGoThroughTheClipboard)
{
    TIcon icon;
    TMemoryStream ico(MakeIco({ FlatIcon(16, 4, 0xFF) }));
    icon.LoadStream(ico);
    try {
        GlobalClipboard()->Assign(&icon);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "クリップボードはアイコンには対応していません");
    }
    EXPECT_TRUE(ClipboardClosed());
    EXPECT_TRUE(ClipboardFormats().empty()) << "emptied before the icon refused";

    TPersistent other;
    EXPECT_THROW(GlobalClipboard()->Assign(&other), EConvertError);
    EXPECT_THROW(GlobalClipboard()->Assign(nullptr), EConvertError);
    EXPECT_THROW(icon.Assign(GlobalClipboard()), EConvertError);
}

TEST_F(Clipboard, HeldByAnotherProgramNothingChanges)
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    AnsiString holder = module;
    holder = holder.substr(0, holder.find_last_of('\\') + 1) + "clipboard_holder.exe";
    AnsiString ready = "svtest_clip_ready_" + std::to_string(GetCurrentProcessId());
    AnsiString release = "svtest_clip_release_" + std::to_string(GetCurrentProcessId());
    HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
    HANDLE releaseEvent = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    AnsiString command = "\"" + holder + "\" " + ready + " " + release;
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    ASSERT_TRUE(StartProcess(command, false, startup, process)) << holder;
    ASSERT_EQ(WaitForSingleObject(readyEvent, 20000), WAIT_OBJECT_0);

    TPicture picture;
    picture.SetGraphic(PatternBitmap(5, 5).get());
    try {
        GlobalClipboard()->Assign(&picture);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "クリップボードを開くことができません");
    }
    EXPECT_EQ(GlobalClipboard()->OpenCount(), 0);
    EXPECT_EQ(GlobalClipboard()->ClipboardWindow(), nullptr);
    EXPECT_THROW(GlobalClipboard()->Clear(), Exception);
    TGraphic* before = picture.Graphic();
    EXPECT_THROW(picture.Assign(GlobalClipboard()), Exception);
    EXPECT_EQ(picture.Graphic(), before);

    SetEvent(releaseEvent);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u) << "the holder had the clipboard";
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readyEvent);
    CloseHandle(releaseEvent);

    EXPECT_EQ(ClipboardText(), "from another window");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    GlobalClipboard()->Assign(&picture); // free again
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

namespace {

int renderRequests = 0;

// The owner of a format promised without data: renders it when asked.
LRESULT CALLBACK RenderOnRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RENDERFORMAT) {
        ++renderRequests;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 9);
        std::memcpy(GlobalLock(memory), "rendered", 9);
        GlobalUnlock(memory);
        SetClipboardData(static_cast<UINT>(wParam), memory);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

AnsiString EnhMetafileBits(HENHMETAFILE metafile)
{
    AnsiString bits(GetEnhMetaFileBits(metafile, 0, nullptr), '\0');
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    return bits;
}

AnsiString MetafileBits(HMETAFILE metafile)
{
    AnsiString bits(GetMetaFileBitsEx(metafile, 0, nullptr), '\0');
    GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
    return bits;
}

}

TEST_F(Clipboard, ContentTakenAndPutBackKeepsEveryCopyableFormatInItsOrder)
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = RenderOnRequest;
    windowClass.lpszClassName = "SVRenderOnRequest";
    RegisterClassA(&windowClass);
    HWND owner = CreateWindowExA(0, "SVRenderOnRequest", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    const UINT promised = RegisterClipboardFormatA("SV rendered on request");

    // Handle kinds that must be copied by their own means, next to memory blocks.
    std::unique_ptr<TBitmap> pattern = PatternBitmap(6, 4);
    HBITMAP bitmap = pattern->ReleaseHandle();
    const std::vector<std::uint32_t> pixels = Pixels(bitmap, 6, 4);
    struct {
        WORD version, count;
        PALETTEENTRY entries[2];
    } palette { 0x300, 2, { { 1, 2, 3, 0 }, { 250, 128, 7, 0 } } };
    HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    Rectangle(recorder, 1, 2, 30, 40);
    HENHMETAFILE enhanced = CloseEnhMetaFile(recorder);
    const AnsiString enhancedBits = EnhMetafileBits(enhanced);
    HDC oldRecorder = CreateMetaFileA(nullptr);
    Ellipse(oldRecorder, 0, 0, 20, 10);
    HGLOBAL picture = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    METAFILEPICT record { MM_ANISOTROPIC, 200, 100, CloseMetaFile(oldRecorder) };
    const AnsiString metafileBits = MetafileBits(record.hMF);
    std::memcpy(GlobalLock(picture), &record, sizeof record);
    GlobalUnlock(picture);
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(GlobalLock(text), "\x95\x5C\x83\x5C!", 6);
    GlobalUnlock(text);
    HGLOBAL privateData = GlobalAlloc(GMEM_MOVEABLE, 4);

    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, text);
    SetClipboardData(CF_BITMAP, bitmap);
    SetClipboardData(CF_PALETTE, CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette)));
    SetClipboardData(CF_ENHMETAFILE, enhanced);
    SetClipboardData(CF_METAFILEPICT, picture);
    SetClipboardData(CF_PRIVATEFIRST, privateData);
    SetClipboardData(CF_OWNERDISPLAY, nullptr);
    SetClipboardData(promised, nullptr);
    CloseClipboard();

    renderRequests = 0;
    GlobalClipboard()->Open();
    TClipboardContent content = TClipboardContent::Take();
    EXPECT_EQ(renderRequests, 1) << "the promised format is asked for when taken";
    GlobalClipboard()->Clear();
    std::vector<UINT> kept = content.Formats();
    content.PutBack();
    GlobalClipboard()->Close();
    DestroyWindow(owner);
    GlobalFree(privateData);

    // In their order, whatever formats the system adds between them.
    std::vector<UINT> expected { CF_TEXT, CF_BITMAP, CF_PALETTE, CF_ENHMETAFILE, CF_METAFILEPICT, promised };
    std::vector<UINT> seen;
    for (UINT format : kept)
        if (std::find(expected.begin(), expected.end(), format) != expected.end())
            seen.push_back(format);
    EXPECT_EQ(seen, expected);
    for (UINT dropped : { UINT(CF_PRIVATEFIRST), UINT(CF_OWNERDISPLAY) })
        EXPECT_EQ(std::find(kept.begin(), kept.end(), dropped), kept.end()) << dropped;

    // The originals are gone with the emptying: what is back are working copies.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT))), AnsiString("\x95\x5C\x83\x5C!"));
    GlobalUnlock(GetClipboardData(CF_TEXT));
    EXPECT_EQ(Pixels(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), 6, 4), pixels);
    PALETTEENTRY entries[2] {};
    EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)), 0, 2, entries), 2u);
    EXPECT_EQ(entries[1].peRed, 250);
    EXPECT_EQ(EnhMetafileBits(static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE))), enhancedBits);
    auto* back = static_cast<METAFILEPICT*>(GlobalLock(GetClipboardData(CF_METAFILEPICT)));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->xExt, 200);
    EXPECT_EQ(MetafileBits(back->hMF), metafileBits);
    GlobalUnlock(GetClipboardData(CF_METAFILEPICT));
    EXPECT_EQ(static_cast<const char*>(GlobalLock(GetClipboardData(promised))), AnsiString("rendered"));
    GlobalUnlock(GetClipboardData(promised));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_PRIVATEFIRST));
    EmptyClipboard();
    CloseClipboard();
}
