#include "graphics/support/BmpBuilder.h"
#include "graphics/support/MemoryCanvas.h"
#include "common/ExpectThrow.h"
#include "graphics/Bitmap.h"
#include "graphics/GdiHandles.h"
#include "graphics/support/SolidBitmap.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// The colour of a pixel of a bitmap, read back through GDI.
TColor PixelOf(TBitmap& bitmap, int x, int y) { return bitmap.Canvas()->Pixels(x, y); }

void Fill(TBitmap& bitmap, TColor color, const RECT& rect)
{
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(rect);
}

}

TEST(Bitmap, NewBitmapGetsAScreenCompatibleBitmapFilledWhite)
{
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    bitmap.SetWidth(8);
    EXPECT_TRUE(bitmap.Empty()) << "no height yet";
    EXPECT_EQ(bitmap.Width(), 8);
    bitmap.SetHeight(6);
    ASSERT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
    BITMAP bm {};
    GetObjectA(bitmap.Handle(), sizeof bm, &bm);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(bm.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bm.bmWidth, 8);
    EXPECT_EQ(bm.bmHeight, 6);
    EXPECT_EQ(PixelOf(bitmap, 7, 5), clWhite);
}

TEST(Bitmap, ResizingKeepsTheOldRowsAtTheTopAndFillsTheRest)
{
    TBitmap plain;
    PaintSolid(plain, 10, 10, clRed);
    // Without a canvas the new part is white; this one has a canvas: its brush fills.
    plain.Canvas()->Brush()->SetColor(clBlue);
    plain.SetHeight(20);
    EXPECT_EQ(plain.Height(), 20);
    EXPECT_EQ(PixelOf(plain, 5, 9), clRed);
    EXPECT_EQ(PixelOf(plain, 5, 10), clBlue);
    EXPECT_EQ(PixelOf(plain, 9, 19), clBlue);

    TBitmap source;
    source.SetWidth(10);
    source.SetHeight(10);
    Fill(source, clRed, RECT { 0, 0, 10, 10 });
    TBitmap copy;
    copy.Assign(&source);
    // Reading back through a fresh bitmap (no canvas of its own while resizing).
    TBitmap noCanvas;
    noCanvas.Assign(&source);
    noCanvas.SetHeight(20);
    TBitmap probe;
    probe.Assign(&noCanvas);
    EXPECT_EQ(PixelOf(probe, 0, 9), clRed);
    EXPECT_EQ(PixelOf(probe, 0, 10), clWhite);
    noCanvas.SetWidth(4);
    EXPECT_EQ(noCanvas.Width(), 4);
    EXPECT_EQ(PixelOf(noCanvas, 3, 0), clRed) << "a smaller size crops";
}

TEST(Bitmap, AssignedCopiesShareUntilOneChanges)
{
    TBitmap a;
    a.SetWidth(4);
    a.SetHeight(4);
    Fill(a, clRed, RECT { 0, 0, 4, 4 });
    TBitmap b;
    int changes = 0;
    b.SetOnChange([&](TObject*) { ++changes; });
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(a.ImageShared());
    EXPECT_TRUE(b.ImageShared());
    EXPECT_EQ(&a.Image(), &b.Image());

    Fill(b, clBlue, RECT { 0, 0, 2, 2 });
    EXPECT_FALSE(a.ImageShared());
    EXPECT_NE(&a.Image(), &b.Image());
    EXPECT_EQ(PixelOf(b, 0, 0), clBlue);
    EXPECT_EQ(PixelOf(b, 3, 3), clRed) << "the copy kept the content";
    EXPECT_EQ(PixelOf(a, 0, 0), clRed) << "the original is untouched";
    EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDDB);

    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    TPen pen;
    EXPECT_THROW(b.Assign(&pen), EConvertError);
}

TEST(Bitmap, ScanLinesAddressRowsOfTheDIB)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetWidth(3);
    bitmap.SetHeight(1);
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    auto* row0 = static_cast<unsigned char*>(bitmap.ScanLine(0));
    auto* row1 = static_cast<unsigned char*>(bitmap.ScanLine(1));
    EXPECT_EQ(row0 - row1, 12) << "bottom-up rows of 3 x 3 bytes padded to 12";
    for (int row : { -1, 2 }) {
        SCOPED_TRACE(row);
        ExpectThrowMessage<EInvalidGraphicOperation>(
            [&] { bitmap.ScanLine(row); }, "スキャンライン のインデックスが範囲を越えました");
    }
    row0[0] = 0x00;
    row0[1] = 0x00;
    row0[2] = 0xFF; // blue, green, red
    EXPECT_EQ(PixelOf(bitmap, 0, 0), clRed);

    // A device-dependent bitmap's rows are its own: what is written shows.
    TBitmap ddb;
    ddb.SetWidth(2);
    ddb.SetHeight(2);
    Fill(ddb, clBlack, RECT { 0, 0, 2, 2 });
    auto* line = static_cast<std::uint32_t*>(ddb.ScanLine(1));
    line[1] = 0x00FF00;
    EXPECT_EQ(PixelOf(ddb, 1, 1), clLime);
    EXPECT_EQ(PixelOf(ddb, 0, 0), clBlack);
}

TEST(Bitmap, PixelFormats)
{
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    Fill(bitmap, clRed, RECT { 0, 0, 4, 4 });
    bitmap.SetPixelFormat(TPixelFormat::pf16bit);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf16bit);
    EXPECT_EQ(bitmap.Image().DIB.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS));
    EXPECT_EQ(bitmap.Image().DIB.dsBitfields[0], 0xF800u);
    EXPECT_EQ(PixelOf(bitmap, 2, 2), clRed);
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(PixelOf(bitmap, 2, 2), clRed) << "the halftone palette holds pure red";
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_TRUE(bitmap.Monochrome());
    bitmap.SetPixelFormat(TPixelFormat::pfDevice);
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    ExpectThrowMessage<EInvalidGraphic>(
        [&] { bitmap.SetPixelFormat(TPixelFormat::pfCustom); }, "画像フォーマットが不正です");

    // A 0 x 0 bitmap remembers the format for the size it gets later.
    TBitmap later;
    later.SetPixelFormat(TPixelFormat::pf32bit);
    EXPECT_TRUE(later.Empty());
    later.SetWidth(5);
    later.SetHeight(2);
    EXPECT_EQ(later.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(later.HandleType(), TBitmapHandleType::bmDIB);
}

TEST(Bitmap, HandleKindsConvertBothWaysKeepingPixels)
{
    TBitmap bitmap;
    bitmap.SetWidth(3);
    bitmap.SetHeight(3);
    Fill(bitmap, clGreen, RECT { 1, 1, 2, 2 });
    bitmap.SetHandleType(TBitmapHandleType::bmDIB);
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_EQ(bitmap.Image().Handle, bitmap.Image().DIBHandle);
    EXPECT_EQ(PixelOf(bitmap, 1, 1), clGreen);
    bitmap.SetHandleType(TBitmapHandleType::bmDDB);
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(PixelOf(bitmap, 1, 1), clGreen);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), clWhite);

    HBITMAP released = bitmap.ReleaseHandle();
    EXPECT_TRUE(bitmap.Empty());
    TBitmap owner;
    owner.SetHandle(released);
    EXPECT_EQ(owner.Width(), 3);
    EXPECT_EQ(PixelOf(owner, 1, 1), clGreen);
}

TEST(Bitmap, TooLargeAnImageFailsAndKeepsThePreviousContent)
{
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    Fill(bitmap, clRed, RECT { 0, 0, 4, 4 });
    EXPECT_THROW(bitmap.SetWidth(30000 * 30000 / 4), EOutOfResources);
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_EQ(PixelOf(bitmap, 3, 3), clRed);
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    EXPECT_THROW(bitmap.SetHeight(200000000), EOutOfResources);
    EXPECT_EQ(bitmap.Height(), 4);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(PixelOf(bitmap, 3, 3), clRed);
}

TEST(Bitmap, GdiFailureTellsTheSystemsReasonOrItsOwnWhenThereIsNone)
{
    auto messageFor = [](DWORD lastError) {
        SetLastError(lastError);
        try {
            GdiError();
        } catch (const EOutOfResources& e) {
            return e.Message();
        }
        return AnsiString("no exception");
    };
    EXPECT_EQ(messageFor(ERROR_NOT_ENOUGH_MEMORY), SystemErrorMessage(ERROR_NOT_ENOUGH_MEMORY));
    // A failure that left no code must not read "the operation completed successfully".
    EXPECT_EQ(messageFor(0), AnsiString("システム リソースが足りません"));
}

TEST(Bitmap, GdiOwnersDeleteWhatTheyHoldAndHandItOverWhole)
{
    HBRUSH kept;
    {
        TGdiBrush first(CreateSolidBrush(RGB(1, 2, 3)));
        HBRUSH handle = first.Get();
        TGdiBrush second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), handle);
        second.Reset(CreateSolidBrush(RGB(4, 5, 6)));
        EXPECT_EQ(GetObjectType(handle), 0u) << "the replaced brush is deleted";
        kept = second.Release();
    }
    EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_BRUSH)) << "a released brush outlives its owner";
    TGdiBrush last(kept);
}

TEST(Bitmap, PaletteSelectionGivesThePreviousPaletteBack)
{
    RGBQUAD colours[2] = { { 0, 0, 255, 0 }, { 0, 255, 0, 0 } };
    TGdiPalette palette(PaletteFromColors(colours, 2));
    TMemoryDC dc(nullptr);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
    {
        TSelectPalette selected(dc, palette.Get(), false);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), palette.Get());
        TSelectPalette none(dc, nullptr, false);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), palette.Get()) << "no palette selects nothing";
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before);
}

TEST(Bitmap, ClipboardExchangeMakesScreenCompatibleCopies)
{
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(5);
    source.SetHeight(3);
    Fill(source, clBlue, RECT { 0, 0, 5, 3 });
    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    source.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    ASSERT_TRUE(data);
    EXPECT_FALSE(palette);
    DIBSECTION ds {};
    EXPECT_EQ(GetObjectA(data, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP))) << "a device-dependent bitmap";

    TBitmap target;
    target.LoadClipboardData(CF_BITMAP, data, nullptr);
    EXPECT_EQ(target.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(target.Width(), 5);
    EXPECT_NE(target.Image().Handle, data) << "the clipboard keeps its own bitmap";
    EXPECT_EQ(PixelOf(target, 4, 2), clBlue);
    DeleteObject(data);

    for (std::uint16_t f : { std::uint16_t(CF_DIB), std::uint16_t(CF_BITMAP) }) {
        ExpectThrowMessage<EInvalidGraphic>(
            [&] { target.LoadClipboardData(f, f == CF_BITMAP ? nullptr : HANDLE(1), nullptr); },
            "未対応のクリップボード データです");
    }
    EXPECT_EQ(PixelOf(target, 0, 0), clBlue);
}

TEST(Bitmap, DrawsOntoCanvasesOpaqueAndTransparent)
{
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    Fill(bitmap, clRed, RECT { 0, 0, 4, 4 });
    Fill(bitmap, clLime, RECT { 0, 3, 4, 4 }); // bottom row: the automatic transparent colour
    TMemoryCanvas canvas(20, 20);
    canvas.Brush()->SetColor(clBlue);
    canvas.FillRect(RECT { 0, 0, 20, 20 });
    canvas.Draw(1, 1, &bitmap);
    EXPECT_EQ(canvas.Pixel(1, 1), clRed);
    EXPECT_EQ(canvas.Pixel(4, 4), clLime);
    EXPECT_EQ(canvas.Pixel(5, 5), clBlue);

    EXPECT_EQ(bitmap.TransparentColor(), TColor(0x0200FF00));
    bitmap.SetTransparent(true);
    canvas.StretchDraw(RECT { 10, 10, 18, 18 }, &bitmap);
    EXPECT_EQ(canvas.Pixel(10, 10), clRed);
    EXPECT_EQ(canvas.Pixel(17, 17), clBlue) << "transparent pixels leave the target";
    EXPECT_EQ(canvas.Pixel(17, 15), clRed);

    // The mask: white where the transparent colour is.
    TBitmap mask;
    mask.SetHandle(static_cast<HBITMAP>(CopyImage(bitmap.MaskHandle(), IMAGE_BITMAP, 0, 0, 0)));
    EXPECT_TRUE(mask.Monochrome());
    EXPECT_EQ(PixelOf(mask, 0, 3), clWhite);
    EXPECT_EQ(PixelOf(mask, 0, 0), clBlack);
    bitmap.SetTransparentColor(clRed);
    EXPECT_EQ(bitmap.TransparentMode(), TTransparentMode::tmFixed);
    canvas.Draw(0, 10, &bitmap);
    EXPECT_EQ(canvas.Pixel(0, 10), clBlue);
    EXPECT_EQ(canvas.Pixel(0, 13), clLime);
    bitmap.SetTransparentMode(TTransparentMode::tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), TColor(0x0200FF00));
}

TEST(Bitmap, BrushCopyAndPatternBrushes)
{
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    Fill(bitmap, clRed, RECT { 0, 0, 4, 4 });
    Fill(bitmap, clLime, RECT { 0, 0, 2, 4 });
    TMemoryCanvas canvas(10, 10);
    canvas.Brush()->SetColor(clBlue);
    canvas.BrushCopy(RECT { 0, 0, 4, 4 }, &bitmap, RECT { 0, 0, 4, 4 }, clLime);
    EXPECT_EQ(canvas.Pixel(0, 0), clBlue) << "the colour replaced by the brush";
    EXPECT_EQ(canvas.Pixel(3, 3), clRed);
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    canvas.BrushCopy(RECT { 5, 5, 9, 9 }, &bitmap, RECT { 0, 0, 4, 4 }, clLime);
    EXPECT_EQ(canvas.Pixel(5, 5), clWhite) << "left as it was under a clear brush";
    EXPECT_EQ(canvas.Pixel(8, 8), clRed);

    TBitmap pattern;
    pattern.SetWidth(8);
    pattern.SetHeight(8);
    Fill(pattern, clBlack, RECT { 0, 0, 8, 8 });
    Fill(pattern, clWhite, RECT { 4, 0, 8, 8 });
    TMemoryCanvas patterned(16, 4, 0x808080);
    patterned.Brush()->SetBitmap(&pattern);
    patterned.FillRect(RECT { 0, 0, 16, 4 });
    EXPECT_EQ(patterned.Count(clBlack), 32);
    EXPECT_EQ(patterned.Count(clWhite), 32);
    patterned.Brush()->SetBitmap(nullptr);

    // An empty source part changes nothing, and says so in pairs.
    int changing = 0, changed = 0;
    canvas.OnChanging = [&](TObject*) { ++changing; };
    canvas.OnChange = [&](TObject*) { ++changed; };
    canvas.BrushCopy(RECT { 0, 0, 4, 4 }, &bitmap, RECT { 2, 2, 2, 2 }, clLime);
    EXPECT_EQ(changing, changed);
    canvas.BrushCopy(RECT { 0, 0, 4, 4 }, &bitmap, RECT { 0, 0, 4, 4 }, clLime);
    EXPECT_EQ(changing, changed);
    EXPECT_GT(changed, 0);
}

TEST(Bitmap, ACopyThePlatformCannotMakeRaisesInsteadOfComingOutBlank)
{
    // A bitmap held selected in a device context of someone else cannot be selected
    // for copying: the copy either has the pixels or fails, never white.
    HDC screen = GetDC(nullptr);
    HBITMAP held = CreateCompatibleBitmap(screen, 3, 3);
    HDC foreign = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(foreign, held);
    RECT all { 0, 0, 3, 3 };
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(foreign, &all, blue);
    DeleteObject(blue);
    TBitmap copy;
    bool refused = false;
    try {
        copy.LoadClipboardData(CF_BITMAP, held, nullptr);
        EXPECT_EQ(PixelOf(copy, 1, 1), clBlue);
    } catch (const EOutOfResources&) {
        refused = true;
    }
    SelectObject(foreign, old);
    DeleteDC(foreign);
    DeleteObject(held);
    RecordProperty("refused", refused ? "yes" : "no");
}

TEST(Bitmap, DormantLeavesAnImageSharedWithOthersAsItWas)
{
    TBitmap a;
    a.SetWidth(4);
    a.SetHeight(4);
    Fill(a, clRed, RECT { 0, 0, 4, 4 });
    ASSERT_EQ(a.HandleType(), TBitmapHandleType::bmDDB);
    TBitmap b;
    b.Assign(&a);
    a.Dormant();
    EXPECT_EQ(a.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDDB) << "the other bitmap's image is untouched";
    EXPECT_EQ(PixelOf(b, 3, 3), clRed);
    EXPECT_EQ(PixelOf(a, 3, 3), clRed);
}
