// A non-visual component that subclasses the window of the form owning it: every
// message of that window reaches WndProc first, which descendants override, and the
// base hands it on to the procedure that was there before. Several components may
// hook one window; each puts back exactly the procedure it found, so they are removed
// in the reverse order of their installation.
#pragma once

#include "tray/KitCustomComponent.h"
#include "runtime/Messages.h"

#include <cstdint>

#include <windows.h>

class TKitWndProcComponent : public TKitCustomComponent {
public:
    SV_CLASS_NAME(TKitWndProcComponent)
    explicit TKitWndProcComponent(TComponent* owner);
    ~TKitWndProcComponent() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    bool DesignEnabled() const { return m_designEnabled; }
    void SetDesignEnabled(bool value);
    bool HandleApp() const { return m_handleApp; }
    // Takes effect only while the component is designed or loaded.
    void SetHandleApp(bool value);

    TComponent* GetOwnerForm() const { return Owner(); }
    // The window to hook: the owner form's window, created when it has none yet;
    // none without owner or when no window can be had.
    HWND GetOwnerHandle();
    // Installs the hook; false when there is nothing to hook or it is installed.
    bool NewWndProc();
    // Puts the saved procedure back (when the owner still has a window) and frees
    // the stub. Always true.
    bool RestoreWndProc();
    // Removes the hook and switches the component off.
    void SilentRemove();
    // The owner's window exists and the component is neither loading nor going away.
    bool ValidOwner() const;

    bool Hooked() const { return m_savedProc != nullptr; }
    // Whether the owner's window was seen being destroyed.
    bool OwnerDestroying() const { return m_destroying; }

    void Loaded() override;

    // Handler of the application window's messages (only with HandleApp on); true
    // ends their handling.
    virtual bool AppWndProc(TMessage& message);
    virtual void Init();
    virtual void RestoreState() {}
    // Sees every message of the owner's window; the base passes it on.
    virtual void WndProc(TMessage& message);
    virtual void DesignEnabledChanged();

protected:
    bool Silent() const { return m_silent; }

private:
    // The owner's window if it exists now; never creates one.
    HWND ExistingOwnerHandle() const;
    static bool AppHook(void* data, TMessage& message);

    bool m_enabled = true;
    bool m_designEnabled = false;
    bool m_handleApp = false;
    bool m_appHooked = false;
    bool m_silent = false;
    std::uint8_t m_mdiKind = 0; // 1: owner is an MDI child form, 2: an MDI parent form
    WNDPROC m_objectInstance = nullptr;
    WNDPROC m_savedProc = nullptr;
    HWND m_hookedWindow = nullptr;
    bool m_destroying = false;
};
