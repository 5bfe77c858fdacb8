#include "PhotoPainter.h"

#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"

#include <cstdio>
#include <iterator>

namespace {

struct Rgb {
    int r, g, b;
};

// Sky colours (top, bottom) at fixed hours; the colours between are blended.
struct SkyKey {
    int minute;
    Rgb top;
    Rgb bottom;
};
const SkyKey Sky[] = {
    { 0 * 60, { 8, 10, 40 }, { 30, 30, 80 } },
    { 5 * 60, { 20, 20, 70 }, { 70, 50, 110 } },
    { 6 * 60 + 30, { 90, 110, 190 }, { 250, 160, 90 } },
    { 9 * 60, { 60, 140, 230 }, { 170, 215, 250 } },
    { 15 * 60, { 50, 130, 220 }, { 190, 225, 250 } },
    { 18 * 60, { 110, 60, 140 }, { 250, 130, 60 } },
    { 20 * 60, { 25, 25, 80 }, { 80, 50, 110 } },
    { 24 * 60, { 8, 10, 40 }, { 30, 30, 80 } },
};

int Blend(int a, int b, int num, int den) { return a + (b - a) * num / den; }

Rgb Blend(const Rgb& a, const Rgb& b, int num, int den)
{
    return { Blend(a.r, b.r, num, den), Blend(a.g, b.g, num, den), Blend(a.b, b.b, num, den) };
}

TColor ColorOf(const Rgb& c) { return static_cast<TColor>(c.r | (c.g << 8) | (c.b << 16)); }

void SkyAt(int minute, Rgb& top, Rgb& bottom)
{
    for (std::size_t i = 0; i + 1 < std::size(Sky); ++i) {
        const SkyKey& from = Sky[i];
        const SkyKey& to = Sky[i + 1];
        if (minute >= from.minute && minute < to.minute) {
            int span = to.minute - from.minute;
            top = Blend(from.top, to.top, minute - from.minute, span);
            bottom = Blend(from.bottom, to.bottom, minute - from.minute, span);
            return;
        }
    }
    top = Sky[0].top;
    bottom = Sky[0].bottom;
}

// Horizontal bands from the top colour to the bottom colour.
void PaintSky(TCanvas& canvas, int minute)
{
    Rgb top, bottom;
    SkyAt(minute, top, bottom);
    constexpr int bands = 30;
    for (int band = 0; band < bands; ++band) {
        canvas.Brush()->SetColor(ColorOf(Blend(top, bottom, band, bands - 1)));
        RECT rect { 0, PhotoHeight * band / bands, PhotoWidth, PhotoHeight * (band + 1) / bands };
        canvas.FillRect(rect);
    }
}

void PaintText(TCanvas& canvas, const char* text, int height, int centreY, TColor color)
{
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetHeight(-height);
    canvas.Font()->SetStyle(fsBold);
    SIZE size = canvas.TextExtent(text);
    int x = (PhotoWidth - size.cx) / 2;
    int y = centreY - size.cy / 2;
    canvas.Font()->SetColor(0x202020);
    canvas.TextOut(x + height / 40 + 2, y + height / 40 + 2, text);
    canvas.Font()->SetColor(color);
    canvas.TextOut(x, y, text);
}

}

std::unique_ptr<TBitmap> PaintPhoto(int minuteOfDay)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    bitmap->SetWidth(PhotoWidth);
    bitmap->SetHeight(PhotoHeight);
    TCanvas& canvas = *bitmap->Canvas();
    PaintSky(canvas, minuteOfDay);

    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", minuteOfDay / 60 % 24, minuteOfDay % 60);
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    PaintText(canvas, clock, 220, PhotoHeight / 2, 0xFFFFFF);
    PaintText(canvas, "Sorvia sample photo", 28, PhotoHeight - 60, 0xE0E0E0);
    return bitmap;
}
