// Owners for the short-lived GDI objects that icon and clipboard code makes: one
// owner per handle, released when the owner goes away.
#pragma once

#include <utility>

#include <windows.h>

// Raises EOutOfResources with the system's text for the last error, or
// "システム リソースが足りません" when there is none.
[[noreturn]] void GdiError();

// An image whose pixels take more than 2 GB cannot exist in the 32-bit program; the
// system's own size arithmetic is 32-bit too. Such a size fails as an allocation the
// system refused (GdiError with ERROR_NOT_ENOUGH_MEMORY), before anything is made.
void CheckImageSize(long long width, long long height, int bitsPerPixel);

// An owned bitmap handle (deleted with DeleteObject).
class TGdiBitmap {
public:
    TGdiBitmap() = default;
    explicit TGdiBitmap(HBITMAP handle) : m_handle(handle) {}
    ~TGdiBitmap() { Reset(); }
    TGdiBitmap(TGdiBitmap&& other) noexcept : m_handle(other.Release()) {}
    TGdiBitmap& operator=(TGdiBitmap&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_handle = other.Release();
        }
        return *this;
    }

    HBITMAP Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    HBITMAP Release() { return std::exchange(m_handle, nullptr); }
    void Reset()
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = nullptr;
    }

private:
    HBITMAP m_handle = nullptr;
};

// The screen's device context, for as long as the object lives.
class TScreenDC {
public:
    TScreenDC();
    ~TScreenDC() { ReleaseDC(nullptr, m_dc); }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// A memory device context compatible with another one.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatibleWith);
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

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
