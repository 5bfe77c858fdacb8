#include "tray/KitWndProcComponent.h"

#include "frame/Application.h"
#include "frame/Form.h"
#include "runtime/MethodStub.h"

#include <algorithm>
#include <vector>

namespace {

// Every installed hook, so that one removed out of order can hand its saved procedure
// to the hook installed after it on the same window.
std::vector<TKitWndProcComponent*>& InstalledHooks()
{
    static std::vector<TKitWndProcComponent*> hooks;
    return hooks;
}

}

TKitWndProcComponent::TKitWndProcComponent(TComponent* owner) : TKitCustomComponent(owner)
{
    if (auto* form = dynamic_cast<TCustomForm*>(owner)) {
        if (form->FormStyle() == fsMDIChild)
            m_mdiKind = 1;
        else if (form->FormStyle() == fsMDIForm)
            m_mdiKind = 2;
    }
}

TKitWndProcComponent::~TKitWndProcComponent() { RestoreWndProc(); }

HWND TKitWndProcComponent::GetOwnerHandle()
{
    // Forms have no separate client window here: an MDI parent form is hooked on its
    // own window.
    auto* form = dynamic_cast<IAppForm*>(Owner());
    if (!form)
        return nullptr;
    try {
        return form->FormHandle();
    } catch (...) {
        // Translated: a form whose window cannot be made has no window to hook.
        return nullptr;
    }
}

HWND TKitWndProcComponent::ExistingOwnerHandle() const
{
    auto* form = dynamic_cast<IAppForm*>(Owner());
    if (!form || !form->FormHandleAllocated())
        return nullptr;
    return form->FormHandle();
}

bool TKitWndProcComponent::ValidOwner() const { return ExistingOwnerHandle() && !HasState(csLoading | csDestroying); }

void TKitWndProcComponent::Loaded()
{
    TKitCustomComponent::Loaded();
    if (!HasState(csDesigning) || m_designEnabled)
        Init();
}

void TKitWndProcComponent::Init()
{
    if (m_enabled && !m_objectInstance)
        NewWndProc();
}

void TKitWndProcComponent::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (HasState(csDesigning))
        return;
    if (value)
        Init();
    else
        RestoreState();
}

void TKitWndProcComponent::SetDesignEnabled(bool value)
{
    if (value == m_designEnabled)
        return;
    m_designEnabled = value;
    if (HasState(csDesigning)) {
        if (value)
            Init();
        else
            RestoreState();
    }
    DesignEnabledChanged();
}

void TKitWndProcComponent::DesignEnabledChanged()
{
    if (HasState(csDesigning) && !m_designEnabled)
        RestoreWndProc();
}

void TKitWndProcComponent::SetHandleApp(bool value)
{
    if (HasState(csDesigning | csLoading))
        m_handleApp = value;
}

bool TKitWndProcComponent::AppHook(void* data, TMessage& message)
{
    return static_cast<TKitWndProcComponent*>(data)->AppWndProc(message);
}

bool TKitWndProcComponent::AppWndProc(TMessage&) { return true; }

bool TKitWndProcComponent::NewWndProc()
{
    if (m_savedProc || (HasState(csDesigning) && !m_designEnabled))
        return false;
    HWND window = GetOwnerHandle();
    if (!window)
        return false;
    try {
        m_destroying = false;
        if (m_handleApp && Application) {
            Application->HookAppWindow(&AppHook, this);
            m_appHooked = true;
        }
        m_objectInstance = CreateMethodStub([this](TMessage& message) { WndProc(message); }, this);
        m_hookedWindow = window;
        m_savedProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_objectInstance));
        InstalledHooks().push_back(this);
        return true;
    } catch (const Exception&) {
        RestoreWndProc();
        return false;
    }
}

bool TKitWndProcComponent::RestoreWndProc()
{
    std::erase(InstalledHooks(), this);
    if (m_savedProc) {
        HWND window = ExistingOwnerHandle();
        // An owner lets the component go before destroying it, so the component may
        // no longer know it: the window it hooked is still the owner's while that
        // window runs this very hook.
        if (!window && m_hookedWindow && IsWindow(m_hookedWindow)
            && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hookedWindow, GWLP_WNDPROC)) == m_objectInstance)
            window = m_hookedWindow;
        auto current = window ? reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) : nullptr;
        // A hook installed after this one still calls this one's stub: it calls the
        // procedure this one saved instead, and stays in the chain.
        auto later = std::find_if(InstalledHooks().begin(), InstalledHooks().end(), [&](TKitWndProcComponent* hook) {
            return hook->m_hookedWindow == m_hookedWindow && hook->m_savedProc == m_objectInstance;
        });
        if (later != InstalledHooks().end() && current != m_objectInstance)
            (*later)->m_savedProc = m_savedProc;
        else if (window && window == m_hookedWindow)
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_savedProc));
    }
    m_savedProc = nullptr;
    m_hookedWindow = nullptr;
    if (m_objectInstance) {
        ReleaseMethodStub(m_objectInstance);
        m_objectInstance = nullptr;
    }
    if (m_handleApp && m_appHooked) {
        if (Application)
            Application->UnhookAppWindow(&AppHook, this);
        m_appHooked = false;
    }
    m_silent = false;
    m_destroying = false;
    return true;
}

void TKitWndProcComponent::SilentRemove()
{
    m_silent = true;
    RestoreWndProc();
    SetEnabled(false);
}

void TKitWndProcComponent::WndProc(TMessage& message)
{
    if (m_destroying)
        return;
    if (message.Msg == WM_DESTROY) {
        m_destroying = true;
        if (m_mdiKind == 1) {
            RestoreWndProc();
            return;
        }
    }
    message.Result = CallWindowProcA(m_savedProc, m_hookedWindow, message.Msg, message.WParam, message.LParam);
}
