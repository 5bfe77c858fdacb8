#include "graphics/ResourceManager.h"

#include "graphics/GdiHandles.h"
#include "graphics/GraphicsObject.h"

#include "runtime/ScopeGuard.h"

#include <new>
#include <utility>

TResourceManager::TResourceManager(std::size_t dataSize) : m_dataSize(dataSize) { InitializeCriticalSection(&m_lock); }

TResourceManager::~TResourceManager()
{
    // Records still in the list belong to objects that outlive the manager; their
    // handles go with the process.
    DeleteCriticalSection(&m_lock);
}

std::uint16_t TResourceManager::Hash(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint16_t hash = 0;
    for (std::size_t i = 0; i < size; ++i) {
        hash = static_cast<std::uint16_t>((hash << 5) | (hash >> 11));
        hash ^= bytes[i];
    }
    return hash;
}

TResource* TResourceManager::AllocResource(const void* data)
{
    std::uint16_t hash = Hash(data, m_dataSize);
    Lock();
    TResource* found = nullptr;
    for (TResource* r = m_head.get(); r; r = r->Next.get()) {
        if (r->HashCode == hash && std::memcmp(r->Data, data, m_dataSize) == 0) {
            found = r;
            break;
        }
    }
    if (!found) {
        auto record = std::make_unique<TResource>();
        std::memcpy(record->Data, data, m_dataSize);
        std::memcpy(&record->Handle, data, sizeof record->Handle);
        record->HashCode = hash;
        record->Next = std::move(m_head);
        m_head = std::move(record);
        found = m_head.get();
    }
    ++found->RefCount;
    Unlock();
    return found;
}

void TResourceManager::FreeResource(TResource* resource)
{
    if (!resource)
        return;
    // The last reference's record and handle go after the lock is left.
    std::unique_ptr<TResource> detached;
    TGdiObject<HGDIOBJ> handle;
    Lock();
    if (--resource->RefCount == 0) {
        for (std::unique_ptr<TResource>* link = &m_head; *link; link = &(*link)->Next) {
            if (link->get() == resource) {
                detached = std::move(*link);
                *link = std::move(detached->Next);
                handle.Reset(detached->Handle);
                break;
            }
        }
    }
    Unlock();
}

void TResourceManager::ChangeResource(TGraphicsObject* object, const void* data)
{
    TResource* old = nullptr;
    TResource* now = nullptr;
    {
        Lock();
        ScopeExit unlock([this] { Unlock(); });
        old = object->m_resource;
        now = AllocResource(data);
        object->m_resource = now;
    }
    // The old record's reference goes however the notification ends.
    ScopeExit freeOld([this, old] { FreeResource(old); });
    if (now != old)
        object->Changed();
}

void TResourceManager::AssignResource(TGraphicsObject* object, TResource* resource)
{
    Lock();
    TResource* old = object->m_resource;
    if (old == resource) {
        Unlock();
        return;
    }
    ++resource->RefCount;
    object->m_resource = resource;
    Unlock();
    // The old record's reference goes however the notification ends.
    ScopeExit freeOld([this, old] { FreeResource(old); });
    object->Changed();
}

void TResourceManager::FreeSystemColorHandles()
{
    Lock();
    for (TResource* r = m_head.get(); r; r = r->Next.get()) {
        TColor color;
        std::memcpy(&color, r->Data + sizeof(HANDLE), sizeof color);
        if (IsSystemColor(color) && r->Handle) {
            TGdiObject<HGDIOBJ> stale(std::exchange(r->Handle, nullptr));
        }
    }
    Unlock();
}

std::size_t TResourceManager::Count()
{
    Lock();
    std::size_t n = 0;
    for (TResource* r = m_head.get(); r; r = r->Next.get())
        ++n;
    Unlock();
    return n;
}

namespace {

// Storage for a process-wide object that is made on first use and never destroyed:
// graphics objects held by other long-lived objects may be released during exit,
// after ordinary statics are gone.
template<typename T> class ProcessLifetime {
public:
    template<typename... Args> explicit ProcessLifetime(Args&&... args)
    {
        new (m_storage) T(std::forward<Args>(args)...);
    }
    T& get() { return *std::launder(reinterpret_cast<T*>(m_storage)); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

TFontData MakeDefaultFontData()
{
    TFontData data {};
    int ppi = ScreenLogPixels();
    AnsiString name = "MS Sans Serif";
    data.Height = -MulDiv(8, ppi, 72);
    data.Charset = DEFAULT_CHARSET;
    LOGFONTA system {};
    if (GetObjectA(GetStockObject(SYSTEM_FONT), sizeof system, &system) && system.lfCharSet == SHIFTJIS_CHARSET) {
        name = "ＭＳ Ｐゴシック";
        data.Height = -MulDiv(9, ppi, 72);
        data.Charset = SHIFTJIS_CHARSET;
    }
    data.NameLength = static_cast<std::uint8_t>(name.size());
    std::memcpy(data.Name, name.data(), name.size());
    return data;
}

}

TResourceManager& FontManager()
{
    static ProcessLifetime<TResourceManager> manager(sizeof(TFontData));
    return manager.get();
}

TResourceManager& PenManager()
{
    static ProcessLifetime<TResourceManager> manager(sizeof(TPenData));
    return manager.get();
}

TResourceManager& BrushManager()
{
    static ProcessLifetime<TResourceManager> manager(sizeof(TBrushData));
    return manager.get();
}

int ScreenLogPixels()
{
    static const int ppi = [] {
        // Without a screen context (GetDeviceCaps then answers 0) a font is sized for 96.
        int value = GetDeviceCaps(TScreenDC(nullptr, std::nothrow), LOGPIXELSY);
        return value > 0 ? value : 96;
    }();
    return ppi;
}

const TFontData& DefaultFontData()
{
    static const TFontData data = MakeDefaultFontData();
    return data;
}

const TPenData& DefaultPenData()
{
    static const TPenData data = [] {
        TPenData d {};
        d.Color = clBlack;
        d.Width = 1;
        d.Style = 0;
        return d;
    }();
    return data;
}

const TBrushData& DefaultBrushData()
{
    static const TBrushData data = [] {
        TBrushData d {};
        d.Color = clWhite;
        d.Style = 0;
        return d;
    }();
    return data;
}

AnsiString DefaultFontName()
{
    const TFontData& data = DefaultFontData();
    return AnsiString(data.Name, data.NameLength);
}

HGDIOBJ StockPen() { return GetStockObject(BLACK_PEN); }
HGDIOBJ StockBrush() { return GetStockObject(NULL_BRUSH); }
HGDIOBJ StockFont() { return GetStockObject(SYSTEM_FONT); }
