#include "PhotoMaker.h"

#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"

#include <algorithm>

SIZE FitSize(int width, int height, int boxWidth, int boxHeight)
{
    if (boxWidth <= 0 || boxHeight <= 0 || width <= 0 || height <= 0)
        return { width, height };
    // Width-bound when width / height >= boxWidth / boxHeight.
    long long wide = static_cast<long long>(width) * boxHeight;
    long long tall = static_cast<long long>(height) * boxWidth;
    SIZE size;
    if (wide >= tall) {
        size.cx = boxWidth;
        size.cy = static_cast<LONG>((static_cast<long long>(height) * boxWidth + width / 2) / width);
    } else {
        size.cy = boxHeight;
        size.cx = static_cast<LONG>((static_cast<long long>(width) * boxHeight + height / 2) / height);
    }
    size.cx = std::clamp<LONG>(size.cx, 1, boxWidth);
    size.cy = std::clamp<LONG>(size.cy, 1, boxHeight);
    return size;
}

std::unique_ptr<TBitmap> ScaledCopy(TBitmap& picture, SIZE size)
{
    auto copy = std::make_unique<TBitmap>();
    copy->SetPixelFormat(TPixelFormat::pf24bit);
    copy->SetWidth(size.cx);
    copy->SetHeight(size.cy);
    HDC target = copy->Canvas()->Handle();
    HDC source = picture.Canvas()->Handle();
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, size.cx, size.cy, source, 0, 0, picture.Width(), picture.Height(), SRCCOPY);
    GdiFlush();
    return copy;
}

RECT ClockCorner(int width, int height) { return { width / 2, height / 2, width, height }; }

void DrawClock(TBitmap& photo, const AnsiString& text)
{
    const int width = photo.Width();
    const int height = photo.Height();
    const int textHeight = std::max(10, std::min(height / 10, width / 8));
    const int margin = std::max(2, textHeight / 4);
    const int outline = std::max(1, textHeight / 16);

    TCanvas& canvas = *photo.Canvas();
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetHeight(-textHeight);
    canvas.Font()->SetStyle(fsBold);
    HDC dc = canvas.Handle();
    SetBkMode(dc, TRANSPARENT);

    RECT corner = ClockCorner(width, height);
    RECT box { corner.left + margin, corner.top + margin, corner.right - margin, corner.bottom - margin };
    const UINT format = DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX;
    // The outline: the text in a dark colour moved a little every way.
    SetTextColor(dc, RGB(16, 16, 16));
    for (int dy = -outline; dy <= outline; ++dy) {
        for (int dx = -outline; dx <= outline; ++dx) {
            if (!dx && !dy)
                continue;
            RECT moved { box.left + dx, box.top + dy, box.right + dx, box.bottom + dy };
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &moved, format);
        }
    }
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
    GdiFlush();
}

long long WriteJpeg(TJPEGImage& jpeg, const AnsiString& path)
{
    jpeg.SaveFile(path);
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
