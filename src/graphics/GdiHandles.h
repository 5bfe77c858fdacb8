// Owners for GDI objects and device contexts: one owner per handle, released when
// the owner goes away.
#pragma once

#include <new>
#include <utility>

#include <windows.h>

// Raises EOutOfResources with the system's text for the last error, or
// "システム リソースが足りません" when there is none.
[[noreturn]] void GdiError();

// An image whose pixels take more than 2 GB cannot exist in the 32-bit program; the
// system's own size arithmetic is 32-bit too. Such a size fails as an allocation the
// system refused (GdiError with ERROR_NOT_ENOUGH_MEMORY), before anything is made.
void CheckImageSize(long long width, long long height, int bitsPerPixel);

// An owned GDI object (bitmap, brush, pen, font, region, palette), deleted with
// DeleteObject when the owner goes away.
template<class Handle> class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(Handle handle) : m_handle(handle) {}
    ~TGdiObject() { Reset(); }
    TGdiObject(TGdiObject&& other) noexcept : m_handle(other.Release()) {}
    TGdiObject& operator=(TGdiObject&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    // Gives the handle to a new owner.
    Handle Release() { return std::exchange(m_handle, nullptr); }
    void Reset(Handle handle = nullptr)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};

using TGdiBitmap = TGdiObject<HBITMAP>;
using TGdiBrush = TGdiObject<HBRUSH>;
using TGdiPen = TGdiObject<HPEN>;
using TGdiFont = TGdiObject<HFONT>;
using TGdiRegion = TGdiObject<HRGN>;
using TGdiPalette = TGdiObject<HPALETTE>;

// A window's device context (the screen's for no window), for as long as the object
// lives.
class TWindowDC {
public:
    explicit TWindowDC(HWND window = nullptr);
    // The same where doing without the context is fine: it is null when the system
    // gives none, and nothing is raised.
    TWindowDC(HWND window, std::nothrow_t) : m_window(window), m_dc(GetDC(window)) {}
    // Takes over a context the window gave out otherwise (GetWindowDC, a control's
    // GetDeviceContext).
    TWindowDC(HWND window, HDC given) : m_window(window), m_dc(given) {}
    ~TWindowDC() { ReleaseDC(m_window, m_dc); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

using TScreenDC = TWindowDC;

// A memory device context compatible with another one.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatibleWith);
    // The same for a caller with an error of its own: null when the system makes none.
    TMemoryDC(HDC compatibleWith, std::nothrow_t) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~TMemoryDC() { DeleteDC(m_dc); }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// Selects an object into a device context and selects the previous one back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~TSelectObject() { SelectObject(m_dc, m_previous); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    // False when the context refused the object (a bitmap of another device, or one
    // selected into another context).
    explicit operator bool() const { return m_previous != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Selects a palette into a device context and realises it; the previous palette goes
// back (as a background palette) when the owner goes. No palette selects nothing.
class TSelectPalette {
public:
    TSelectPalette(HDC dc, HPALETTE palette, bool background) : m_dc(dc)
    {
        if (!palette)
            return;
        m_previous = SelectPalette(dc, palette, background);
        RealizePalette(dc);
    }
    ~TSelectPalette()
    {
        if (m_previous)
            SelectPalette(m_dc, m_previous, TRUE);
    }
    TSelectPalette(const TSelectPalette&) = delete;
    TSelectPalette& operator=(const TSelectPalette&) = delete;

private:
    HDC m_dc;
    HPALETTE m_previous = nullptr;
};
