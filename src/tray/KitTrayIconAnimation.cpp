// The tray icon's animation: frames of an image list shown in turn, driven by the
// library's global timer pool or by a high-resolution timer.
#include "tray/KitTrayIcon.h"

#include "tray/KitApplication.h"
#include "tray/KitCustomImageList.h"
#include "graphics/GdiHandles.h"
#include "runtime/Exceptions.h"

namespace {

// The largest interval of the 16-bit field that the pool's 50 ms tick divides.
constexpr std::uint16_t LargestPoolInterval = 65500;

// An icon of the bitmap: a monochrome copy of it serves as the mask.
HICON KitBitmap2Icon(HBITMAP bitmap, int width, int height)
{
    TScreenDC screen;
    TMemoryDC source(screen), target(screen);
    TGdiBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask)
        return nullptr;
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HGDIOBJ oldTarget = SelectObject(target, mask.Get());
    BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
    ICONINFO info {};
    info.fIcon = TRUE;
    info.hbmMask = mask.Get();
    info.hbmColor = bitmap;
    return CreateIconIndirect(&info);
}

}

void TKitTrayIcon::SetAnimated(bool value)
{
    if (value == m_animated)
        return;
    m_animated = value;
    if (value) {
        ActivateTimer();
        EnableTimer(true);
    } else {
        DeActivateTimer(m_timerMode);
    }
}

void TKitTrayIcon::SetTimerMode(TKitTimerMode value)
{
    if (value == m_timerMode)
        return;
    if (HasState(csLoading)) {
        m_timerMode = value;
        return;
    }
    DeActivateTimer(m_timerMode);
    m_timerMode = value;
    ActivateTimer();
}

void TKitTrayIcon::ActivateTimer()
{
    if (!m_animated)
        return;
    if (m_timerMode == tmGlobalTimer) {
        if (m_globalTimerId != 0)
            return;
        if (m_interval % 50 != 0) {
            unsigned rounded = (m_interval / 50u + 1u) * 50u;
            // The field holds 16 bits: a longer interval takes the largest that fits.
            m_interval = static_cast<std::uint16_t>(rounded > 65535u ? LargestPoolInterval : rounded);
        }
        std::uint16_t id = KitApplication()->AddTimer(m_interval, [this](TObject* sender) { GetTimer(sender); });
        if (id == 0)
            throw EOutOfResources(LoadResString(TextId::NoTimers));
        m_globalTimerId = id;
        if (TKitTimerItem* item = KitApplication()->GetTimer(id))
            item->SetEnabled(false);
    } else if (!m_hiTimer) {
        m_hiTimer = MakeOwned<TKitHiTimer>(this);
        m_hiTimer->OnTimer = [this](TObject* sender) { GetTimer(sender); };
        m_hiTimer->SetUseThread(m_timerMode == tmThreaded);
    }
}

void TKitTrayIcon::EnableTimer(bool on)
{
    if (!m_animated)
        return;
    m_frameIndex = 0;
    if (m_timerMode == tmGlobalTimer) {
        TKitTimerItem* item = m_globalTimerId ? KitApplication()->GetTimer(m_globalTimerId) : nullptr;
        if (!item)
            return;
        if (on)
            item->SetInterval(m_interval);
        item->SetEnabled(on);
        // The pool's platform timer runs only while an item was enabled at its start.
        if (on && !KitApplication()->TimerPool()->Active())
            KitApplication()->TimerPool()->UpdateMainTimer(true);
    } else if (m_hiTimer) {
        if (on) {
            m_hiTimer->SetInterval(m_interval);
            m_hiTimer->SetThreadPriority(m_threadPriority);
        }
        m_hiTimer->SetEnabled(on);
    }
}

void TKitTrayIcon::DeActivateTimer(TKitTimerMode mode)
{
    if (mode == tmGlobalTimer) {
        if (m_globalTimerId != 0)
            KitApplication()->RemoveTimer(m_globalTimerId);
        m_globalTimerId = 0;
    } else if (m_hiTimer) {
        TKitHiTimer* timer = m_hiTimer;
        m_hiTimer = nullptr;
        DestroyComponent(timer);
    }
}

void TKitTrayIcon::GetTimer(TObject*)
{
    if (!m_imageList || HasState(csDesigning))
        return;
    int count = m_imageList->ImageCount(m_imageListIndex);
    if (count <= 0)
        return;
    // Every image of the list is shown in turn; never one past its end.
    if (m_frameIndex < 0 || m_frameIndex >= count)
        m_frameIndex = 0;
    NOTIFYICONDATAA record = NotifyRecord();
    const int size = 16;
    TScreenDC screen;
    TGdiBitmap bitmap(CreateCompatibleBitmap(screen, size, size));
    if (!bitmap)
        return;
    {
        TMemoryDC dc(screen);
        HGDIOBJ old = SelectObject(dc, bitmap.Get());
        RECT all { 0, 0, size, size };
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        m_imageList->Draw(m_imageListIndex, m_frameIndex, dc, 0, 0);
        SelectObject(dc, old);
    }
    HICON icon = KitBitmap2Icon(bitmap.Get(), size, size);
    if (icon) {
        record.hIcon = icon;
        Shell_NotifyIconA(NIM_MODIFY, &record);
        DestroyIcon(icon);
    }
    m_frameIndex = m_frameIndex + 1 >= count ? 0 : m_frameIndex + 1;
}
