// A canvas for tests that draws into a 32-bit top-down DIB section whose pixels the
// test reads back directly.
#pragma once

#include "graphics/Canvas.h"
#include "graphics/support/TopDownDib.h"

#include <cstdint>

class TMemoryCanvas : public TCanvas {
public:
    TMemoryCanvas(int width, int height, std::uint32_t fill = 0xFFFFFF) : m_width(width), m_height(height)
    {
        BITMAPINFO info = TopDown32BitInfo(width, height);
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = fill;
        m_dc = CreateCompatibleDC(nullptr);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    ~TMemoryCanvas() override
    {
        SetHandle(nullptr);
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }

    // The pixel as a colour value (red in the low byte).
    std::uint32_t Pixel(int x, int y) const
    {
        GdiFlush();
        std::uint32_t bgr = m_bits[y * m_width + x] & 0xFFFFFF;
        return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | (bgr >> 16);
    }
    // How many pixels of the area hold the colour.
    int Count(std::uint32_t rgb, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) const
    {
        if (x1 < 0)
            x1 = m_width;
        if (y1 < 0)
            y1 = m_height;
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += Pixel(x, y) == rgb;
        return n;
    }
    int created = 0;

protected:
    void CreateHandle() override
    {
        ++created;
        SetHandle(m_dc);
    }

private:
    int m_width, m_height;
    HBITMAP m_bitmap;
    std::uint32_t* m_bits;
    HDC m_dc;
    HGDIOBJ m_old;
};
