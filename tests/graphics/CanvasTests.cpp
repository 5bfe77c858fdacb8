#include "graphics/support/MemoryCanvas.h"
#include "common/ExpectThrow.h"
#include "graphics/Canvas.h"
#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

LOGFONTA Describe(HFONT font)
{
    LOGFONTA lf {};
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

}

TEST(ResourceManager, HashRotatesAndXors)
{
    const unsigned char one[] = { 0x01 };
    EXPECT_EQ(TResourceManager::Hash(one, 1), 0x0001);
    const unsigned char two[] = { 0x01, 0x02 };
    EXPECT_EQ(TResourceManager::Hash(two, 2), 0x0022);
    // Rotation within 16 bits carries the top bits round.
    const unsigned char four[] = { 0x80, 0, 0, 0 };
    EXPECT_EQ(TResourceManager::Hash(four, 4), static_cast<std::uint16_t>(0x80 << 15 | 0x80 >> 1));
}

TEST(ResourceManager, EqualDataSharesOneRecordUntilTheLastReference)
{
    TResourceManager manager(sizeof(TPenData));
    TPenData data = DefaultPenData();
    data.Color = 0x123456;
    TResource* a = manager.AllocResource(&data);
    TResource* b = manager.AllocResource(&data);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->RefCount, 2);
    EXPECT_EQ(manager.Count(), 1u);
    data.Width = 3;
    TResource* c = manager.AllocResource(&data);
    EXPECT_NE(a, c);
    EXPECT_EQ(manager.Count(), 2u);
    a->Handle = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ handle = a->Handle;
    manager.FreeResource(a);
    EXPECT_EQ(manager.Count(), 2u);
    EXPECT_NE(GetObjectType(handle), 0u);
    manager.FreeResource(b);
    EXPECT_EQ(manager.Count(), 1u);
    EXPECT_EQ(GetObjectType(handle), 0u) << "the last reference deletes the handle";
    manager.FreeResource(c);
    EXPECT_EQ(manager.Count(), 0u);
}

TEST(Font, EqualFontsShareOneHandleAndColourIsNotShared)
{
    TFont a, b;
    for (TFont* f : { &a, &b }) {
        f->SetName("Arial");
        f->SetHeight(-13);
        f->SetStyle(fsBold | fsItalic);
        f->SetPitch(TFontPitch::fpVariable);
        f->SetCharset(ANSI_CHARSET);
    }
    int changes = 0;
    a.OnChange = [&](TObject*) { ++changes; };
    a.SetColor(clRed);
    EXPECT_EQ(changes, 1);
    a.SetColor(clRed);
    EXPECT_EQ(changes, 1) << "an equal value changes nothing";
    EXPECT_EQ(b.Color(), clWindowText);
    HFONT handle = a.Handle();
    ASSERT_TRUE(handle);
    EXPECT_EQ(b.Handle(), handle);
    LOGFONTA lf = Describe(handle);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, VARIABLE_PITCH);
    EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);

    a.SetHeight(-13);
    EXPECT_EQ(changes, 1);
    b.SetHeight(-20);
    EXPECT_NE(b.Handle(), handle);
    EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_FONT)) << "a still holds it";
    b.SetHeight(-13);
    EXPECT_EQ(b.Handle(), handle) << "back to equal attributes, back to the shared record";
}

TEST(Font, DefaultsSizeNameAndAssign)
{
    TFont font;
    EXPECT_EQ(font.PixelsPerInch(), ScreenLogPixels());
    EXPECT_EQ(font.Color(), clWindowText);
    const TFontData& defaults = DefaultFontData();
    EXPECT_EQ(font.Name(), AnsiString(defaults.Name, defaults.NameLength));
    // A Japanese system: the stock system font reports Shift-JIS.
    EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(font.Height(), -MulDiv(9, ScreenLogPixels(), 72));
    EXPECT_EQ(font.Size(), 9);

    font.SetSize(12);
    EXPECT_EQ(font.Height(), -MulDiv(12, font.PixelsPerInch(), 72));
    font.SetName("");
    EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック") << "an empty name is ignored";
    font.SetName(AnsiString(40, 'x'));
    EXPECT_EQ(font.Name(), AnsiString(31, 'x'));
    // The cut at 31 bytes never keeps half of a double-byte character.
    font.SetName(AnsiString(30, 'x') + "ゴシック");
    EXPECT_EQ(font.Name(), AnsiString(30, 'x'));
    font.SetName(AnsiString(29, 'x') + "ゴシック");
    EXPECT_EQ(font.Name(), AnsiString(29, 'x') + "ゴ");

    TFont other;
    other.SetPixelsPerInch(font.PixelsPerInch() * 2);
    font.SetColor(clBlue);
    other.Assign(&font);
    EXPECT_EQ(other.Color(), clBlue);
    EXPECT_EQ(other.Size(), 12) << "different pixels per inch: the size is kept";
    EXPECT_EQ(other.Height(), -MulDiv(12, other.PixelsPerInch(), 72));
    TPen pen;
    EXPECT_THROW(font.Assign(&pen), EConvertError);
}

TEST(Font, DefaultNameUsesTheDefaultFace)
{
    TFont font;
    font.SetName("DEFAULT");
    EXPECT_EQ(font.Name(), "DEFAULT");
    EXPECT_EQ(AnsiString(Describe(font.Handle()).lfFaceName), DefaultFontName());
}

TEST(Font, TakesTheAttributesOfASystemFont)
{
    LOGFONTA lf {};
    lf.lfHeight = -17;
    lf.lfWeight = FW_HEAVY;
    lf.lfUnderline = 1;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::strcpy(lf.lfFaceName, "Courier New");
    HFONT handle = CreateFontIndirectA(&lf);
    {
        TFont font;
        font.SetHandle(handle);
        EXPECT_EQ(font.Handle(), handle);
        EXPECT_EQ(font.Height(), -17);
        EXPECT_EQ(font.Style(), fsBold | fsUnderline);
        EXPECT_EQ(font.Pitch(), TFontPitch::fpFixed);
        EXPECT_EQ(font.Name(), "Courier New");
    }
    EXPECT_EQ(GetObjectType(handle), 0u) << "the shared record owned the handle";
}

TEST(PenAndBrush, SettersShareRecordsAndFollowTheirRules)
{
    TBrush brush;
    EXPECT_EQ(brush.Color(), clWhite);
    EXPECT_EQ(brush.Style(), TBrushStyle::bsSolid);
    brush.SetColor(clRed);
    brush.SetStyle(TBrushStyle::bsClear);
    EXPECT_EQ(brush.Color(), clWhite) << "clear makes the colour white";
    brush.SetColor(clGreen);
    EXPECT_EQ(brush.Style(), TBrushStyle::bsSolid) << "a colour after clear gives a solid brush";
    EXPECT_EQ(brush.Color(), clGreen);
    brush.SetStyle(TBrushStyle::bsCross);
    LOGBRUSH lb {};
    GetObjectA(brush.Handle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
    EXPECT_EQ(lb.lbColor, static_cast<COLORREF>(clGreen));

    TPen a, b;
    a.SetColor(clBtnFace);
    b.SetColor(clBtnFace);
    EXPECT_EQ(a.Handle(), b.Handle());
    LOGPEN lp {};
    GetObjectA(a.Handle(), sizeof lp, &lp);
    EXPECT_EQ(lp.lopnColor, GetSysColor(COLOR_BTNFACE));
    a.SetWidth(-2);
    EXPECT_EQ(a.Width(), 1) << "a negative width is ignored";
    a.SetMode(TPenMode::pmXor);
    a.SetStyle(TPenStyle::psDot);
    b.Assign(&a);
    EXPECT_EQ(b.Handle(), a.Handle());
    EXPECT_EQ(b.Mode(), TPenMode::pmXor);
    EXPECT_EQ(b.Style(), TPenStyle::psDot);
}

TEST(Canvas, WithoutDeviceContextDrawingRaises)
{
    TCanvas canvas;
    ExpectThrowMessage<EInvalidOperation>(
        [&] {
            canvas.FillRect(RECT { 0, 0, 1, 1 });
        },
        "Canvas に対する描画ができません");
    EXPECT_THROW(canvas.Handle(), EInvalidOperation);
    EXPECT_THROW(canvas.TextOut(0, 0, "a"), EInvalidOperation);
    // The pen position is kept while there is no device context.
    EXPECT_THROW(canvas.MoveTo(3, 4), EInvalidOperation);
}

TEST(Canvas, DrawsWithLazilySelectedObjects)
{
    TMemoryCanvas canvas(40, 30);
    int changing = 0, changed = 0;
    canvas.OnChanging = [&](TObject*) { ++changing; };
    canvas.OnChange = [&](TObject*) { ++changed; };
    EXPECT_EQ(canvas.State(), 0);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(RECT { 0, 0, 10, 10 });
    EXPECT_EQ(canvas.State(), csHandleValid | csBrushValid) << "only what the call needs";
    EXPECT_EQ(canvas.Count(clRed), 100);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);

    // A changed brush is selected again for the next call.
    canvas.Brush()->SetColor(clBlue);
    EXPECT_EQ(canvas.State(), csHandleValid);
    canvas.FillRect(RECT { 10, 0, 20, 10 });
    EXPECT_EQ(canvas.Count(clBlue, 10, 0, 20, 10), 100);
    EXPECT_EQ(canvas.Count(clRed), 100);

    canvas.FrameRect(RECT { 0, 20, 5, 25 });
    EXPECT_EQ(canvas.Count(clBlue, 0, 20, 5, 25), 16);

    canvas.Pen()->SetColor(clLime);
    canvas.MoveTo(0, 15);
    canvas.LineTo(40, 15);
    EXPECT_EQ(canvas.Count(clLime, 0, 15, 40, 16), 40);
    EXPECT_EQ(canvas.PenPos().x, 40);

    canvas.SetPixels(39, 29, clBlack);
    EXPECT_EQ(canvas.Pixels(39, 29), 0u);
    EXPECT_EQ(canvas.Pixel(39, 29), 0u);
    EXPECT_EQ(canvas.Pixels(0, 0), static_cast<TColor>(clRed));
    EXPECT_EQ(canvas.created, 1);
}

TEST(Canvas, RectanglePolygonAndPenModes)
{
    TMemoryCanvas canvas(30, 30);
    canvas.Pen()->SetColor(clBlack);
    canvas.Brush()->SetColor(clRed);
    canvas.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(canvas.Count(clBlack, 0, 0, 10, 10), 36);
    EXPECT_EQ(canvas.Count(clRed, 0, 0, 10, 10), 64);

    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    canvas.Rectangle(12, 0, 22, 10);
    EXPECT_EQ(canvas.Count(clWhite, 13, 1, 21, 9), 64) << "a clear brush leaves the inside";

    std::vector<POINT> triangle = { { 0, 20 }, { 9, 20 }, { 0, 29 } };
    canvas.Brush()->SetColor(clBlue);
    canvas.Pen()->SetStyle(TPenStyle::psClear);
    canvas.Polygon(triangle);
    EXPECT_EQ(canvas.Pixel(1, 21), clBlue);
    EXPECT_EQ(canvas.Pixel(8, 28), clWhite);

    // XOR pen over red: red ^ white = cyan.
    canvas.Pen()->SetStyle(TPenStyle::psSolid);
    canvas.Pen()->SetColor(clWhite);
    canvas.Pen()->SetMode(TPenMode::pmXor);
    canvas.MoveTo(1, 5);
    canvas.LineTo(9, 5);
    EXPECT_EQ(canvas.Pixel(4, 5), TColor(0xFFFF00));
    canvas.Pen()->SetMode(TPenMode::pmCopy);
    std::vector<POINT> line = { { 25, 0 }, { 25, 29 } };
    canvas.Polyline(line);
    EXPECT_EQ(canvas.Count(clWhite, 25, 0, 26, 29), 29);
}

TEST(Canvas, TextOutDrawsMeasuresAndMovesThePen)
{
    TMemoryCanvas canvas(120, 40);
    canvas.Font()->SetColor(clBlack);
    canvas.Font()->SetHeight(-16);
    canvas.Brush()->SetColor(TColor(0x00FFFF));
    SIZE size = canvas.TextExtent("ソフト");
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 8);
    canvas.TextOut(2, 3, "ソフト");
    EXPECT_EQ(canvas.PenPos().x, 2 + size.cx);
    int ink = canvas.Count(clBlack, 2, 3, 2 + size.cx, 3 + size.cy);
    int background = canvas.Count(TColor(0x00FFFF), 2, 3, 2 + size.cx, 3 + size.cy);
    EXPECT_GT(ink, 10);
    EXPECT_GT(background, size.cx * size.cy / 2) << "an opaque background behind the text";
    EXPECT_EQ(canvas.Count(clWhite, 2, 3, 2 + size.cx, 3 + size.cy), 0);
    EXPECT_EQ(canvas.Count(clBlack, 2 + size.cx, 0), 0);
}

namespace {

// A graphic that paints its rectangle with the canvas's background colour.
class TFillGraphic : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TFillGraphic, TGraphic)
    int width = 4, height = 3;
    RECT last = {};
    void Render(TCanvas* canvas, const RECT& rect) override
    {
        last = rect;
        HBRUSH brush = CreateSolidBrush(GetBkColor(canvas->Handle()));
        ::FillRect(canvas->Handle(), &rect, brush);
        DeleteObject(brush);
    }
    bool Empty() const override { return width == 0; }
    int Height() const override { return height; }
    int Width() const override { return width; }
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    void LoadStream(TStream&) override {}
    void SaveStream(TStream&) override {}
    void LoadClipboardData(std::uint16_t, HANDLE, HPALETTE) override {}
    void SaveClipboardData(std::uint16_t&, HANDLE&, HPALETTE&) override {}
};

}

TEST(Canvas, CopyRectDrawAndStretchDraw)
{
    TMemoryCanvas source(10, 10), target(20, 20);
    source.Brush()->SetColor(clRed);
    source.FillRect(RECT { 0, 0, 5, 10 });
    target.CopyRect(RECT { 0, 0, 20, 20 }, &source, RECT { 0, 0, 10, 10 });
    EXPECT_EQ(target.Count(clRed), 200) << "stretched to double size";
    EXPECT_EQ(target.Count(clWhite), 200);

    TFillGraphic graphic;
    target.Brush()->SetColor(clBlue);
    target.Draw(15, 15, &graphic);
    EXPECT_EQ(graphic.last.right, 19);
    EXPECT_EQ(graphic.last.bottom, 18);
    EXPECT_EQ(target.Count(clBlue), 12) << "drawn at its own size with the brush colour as background";
    graphic.width = 0;
    graphic.last = {};
    target.Draw(0, 0, &graphic);
    EXPECT_EQ(graphic.last.right, 0) << "an empty graphic is not drawn";
    graphic.width = 4;
    target.StretchDraw(RECT { 0, 0, 2, 2 }, &graphic);
    EXPECT_EQ(target.State(), csAllValid);
    EXPECT_EQ(target.Count(clBlue, 0, 0, 2, 2), 4);
    target.Draw(0, 0, nullptr);
    target.StretchDraw(RECT { 0, 0, 2, 2 }, nullptr);
}

TEST(Canvas, HandleChangesKeepThePenPositionAndDeselect)
{
    TMemoryCanvas canvas(10, 10);
    HDC other = CreateCompatibleDC(nullptr);
    canvas.MoveTo(7, 8);
    canvas.Brush()->SetColor(clRed);
    HDC dc = canvas.Handle();
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush()->Handle());
    canvas.SetHandle(other);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), StockBrush()) << "the old context holds stock objects";
    EXPECT_EQ(canvas.State(), csHandleValid);
    POINT at {};
    GetCurrentPositionEx(other, &at);
    EXPECT_EQ(at.x, 7);
    EXPECT_EQ(at.y, 8);
    canvas.SetHandle(nullptr);
    EXPECT_EQ(canvas.PenPos().x, 7);
    DeleteDC(other);
}

namespace {

DWORD WINAPI TryLockThread(void* canvas) { return static_cast<TCanvas*>(canvas)->TryLock() ? 1 : 0; }

}

TEST(Canvas, LockingAndTheCanvasList)
{
    std::size_t before = CanvasList().Count();
    {
        TCanvas canvas;
        EXPECT_EQ(CanvasList().Count(), before + 1);
        EXPECT_TRUE(canvas.TryLock());
        EXPECT_EQ(canvas.LockCount(), 1);
        EXPECT_FALSE(canvas.TryLock()) << "only when not locked";
        canvas.Unlock();
        EXPECT_EQ(canvas.LockCount(), 0);
        canvas.Lock();
        HANDLE thread = CreateThread(nullptr, 0, TryLockThread, &canvas, 0, nullptr);
        WaitForSingleObject(thread, 5000);
        DWORD result = 2;
        GetExitCodeThread(thread, &result);
        CloseHandle(thread);
        EXPECT_EQ(result, 0u) << "another thread sees the canvas locked";
        canvas.Unlock();
    }
    EXPECT_EQ(CanvasList().Count(), before);
}

TEST(Canvas, SystemColourChangeRecreatesSystemColouredObjects)
{
    TMemoryCanvas canvas(10, 10);
    canvas.Brush()->SetColor(clInfoBk);
    canvas.Pen()->SetColor(clInfoText);
    canvas.Rectangle(0, 0, 10, 10);
    COLORREF oldBk = GetSysColor(COLOR_INFOBK), oldText = GetSysColor(COLOR_INFOTEXT);
    auto rgb = [](COLORREF c) { return c; };
    EXPECT_EQ(canvas.Pixel(5, 5), rgb(oldBk));
    EXPECT_EQ(canvas.Pixel(0, 0), rgb(oldText));
    TBrush fixed;
    fixed.SetColor(clRed);
    HBRUSH fixedHandle = fixed.Handle();

    int elements[2] = { COLOR_INFOBK, COLOR_INFOTEXT };
    COLORREF changed[2] = { RGB(10, 20, 30), RGB(200, 100, 50) };
    COLORREF original[2] = { oldBk, oldText };
    ASSERT_TRUE(SetSysColors(2, elements, changed));
    SystemColorsChanged();
    EXPECT_EQ(canvas.State(), csHandleValid);
    canvas.Rectangle(0, 0, 10, 10);
    std::uint32_t inside = canvas.Pixel(5, 5), edge = canvas.Pixel(0, 0);
    SetSysColors(2, elements, original);
    SystemColorsChanged();
    EXPECT_EQ(inside, rgb(changed[0]));
    EXPECT_EQ(edge, rgb(changed[1]));
    EXPECT_EQ(fixed.Handle(), fixedHandle) << "plain colours keep their handles";
}
