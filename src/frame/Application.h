// The application object: the hidden application window that owns every form, the
// message loop of the GUI thread, and the last catcher of exceptions that escape
// event handlers.
#pragma once

#include "frame/AppForm.h"
#include "runtime/Component.h"
#include "runtime/Messages.h"
#include "runtime/Events.h"
#include "runtime/Exceptions.h"
#include "runtime/LoopException.h"
#include "runtime/ScopeGuard.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

#include <windows.h>

// A hook of the application window: called with its data and the message before the
// window's own handling; true means the message is fully handled.
using TWindowHookProc = bool (*)(void* data, TMessage& message);
struct TWindowHook {
    TWindowHookProc Procedure;
    void* Data;
};

// What the message loop needs of the control layer, which supplies it once it exists.
// Without it the idle step finds no control under the mouse.
class TIcon;
class TControl;
class THintWindow;

class IFrameControls {
public:
    virtual ~IFrameControls() = default;
    // The control under the screen point, windowless ones included, or none.
    virtual TObject* ControlAtPos(POINT screenPoint) = 0;
    // The control holding the mouse capture, or none.
    virtual TObject* CaptureControl() = 0;
    virtual LRESULT PerformOn(TObject* control, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The control's whole hint text (short part, "|", long part).
    virtual AnsiString ControlHint(TObject* control) = 0;
    // Gives the focus to the screen's active control, if there is one.
    virtual void FocusActiveControl() {}
};

using TExceptionEvent = std::function<void(TObject* sender, Exception& error)>;
using TMessageEvent = std::function<void(MSG& message, bool& handled)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using THintEvent = std::function<void(TObject* sender)>;
using TShortCutEvent = std::function<void(TMessage& message, bool& handled)>;

class TApplication : public TComponent {
public:
    SV_CLASS_NAME(TApplication)
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    HWND Handle() const { return m_handle; }
    // The window text once the window exists; before, the stored title (by default
    // the program file's base name).
    AnsiString AppTitle() const;
    void SetAppTitle(const AnsiString& title);

    // Calls the initialisation procedure registered by the runtime, if any.
    void InitializeApp();
    static void SetInitProc(void (*procedure)()) { InitProcedure() = procedure; }

    // Creates a form owned by the application. The reference is filled before the
    // constructor runs, so the form's own handlers can use it; it is cleared when
    // construction fails. The first TForm becomes the main form once its
    // construction (OnCreate included) has finished.
    template<class T> void CreateAppForm(T*& reference);

    // Shows the main form (unless ShowPrimaryForm is off) and runs the message loop
    // until Terminating is set.
    void RunApp();
    // Ends the loop (PostQuitMessage) when every terminate procedure agrees.
    void TerminateApp();
    void ProcessPendingMessages();
    void HandleOneMessage();
    // Fetches and handles one message; false when there was none.
    bool ProcessOneMessage(MSG& message);
    void IdleStep(const MSG& message);

    // Reports the exception being handled: silent for EAbort, OnAppException or the
    // error box for the program's exceptions, the generic report for anything else.
    // Call it inside a catch block.
    void HandleLoopException(TObject* sender);
    void ShowErrorBox(const Exception& error);
    // The message as the error box shows it: a "." is appended when the last character
    // sorts after ".".
    static AnsiString ErrorBoxText(const AnsiString& message);
    int AppMessageBox(const AnsiString& text, const AnsiString& caption, UINT flags);

    void MinimizeApp();
    void RestoreApp();
    void BringToFront();
    // Pushes the top-most windows owned by the application window back behind it
    // (NormalizeAllTopMosts includes the main form) and puts them back on top.
    void NormalizeTopMosts() { PushTopMosts(false); }
    void NormalizeAllTopMosts() { PushTopMosts(true); }
    void RestoreTopMosts();

    void HookAppWindow(TWindowHookProc procedure, void* data);
    void UnhookAppWindow(TWindowHookProc procedure, void* data);

    // Shows the application window when a form is visible, hides it otherwise.
    void UpdateAppWindowVisible();

    IAppForm* PrimaryForm() const { return m_primaryForm; }
    bool ShowPrimaryForm() const { return m_showPrimaryForm; }
    void SetShowPrimaryForm(bool show) { m_showPrimaryForm = show; }
    bool Terminating() const { return m_terminating; }
    void SetTerminating(bool terminating) { m_terminating = terminating; }
    bool Running() const { return m_running; }
    bool Active() const { return m_active; }
    // The application icon ("MAINICON" of the program, else the system's default
    // application icon); a change is shown on the window and its taskbar button.
    HICON Icon() const;
    TIcon* AppIcon() const { return m_icon.get(); }
    HWND DialogHandle() const { return m_dialogHandle; }
    void SetDialogHandle(HWND dialog) { m_dialogHandle = dialog; }
    const AnsiString& CurrentHint() const { return m_currentHint; }
    // Set by the popup menus for the highlighted item.
    void SetCurrentHint(const AnsiString& hint) { m_currentHint = hint; }
    TObject* MouseControl() const { return m_mouseControl; }
    // A control going away is no longer the one under the mouse, nor the hint's.
    void ForgetMouseControl(TObject* control);

    bool HintEnabled() const { return m_hintEnabled; }
    void SetHintEnabled(bool enabled);
    std::uint32_t HintBackColor = 0x80000018;
    int HintDelay = 500;
    int HintShortDelay = 0;
    int HintHideDelay = 2500;
    bool HintShortCuts = true;
    bool UpdateFormatSettings = true;
    bool UpdateMetricSettings = true;

    void SetFrameControls(IFrameControls* controls) { m_controls = controls; }

    // Hints. Every control hands its mouse moves to HintMouseMessage: resting on a
    // control with ShowHint shows its short hint after HintDelay, for HintHideDelay.
    void HintMouseMessage(TControl* control, TMessage& message);
    // Hides the hint and forgets its control; the timer and the hint hooks go too.
    void CancelHint();
    // Cancels a shown hint when the fetched message is one that ends hints; never
    // consumes the message.
    void HintCancelTest(const MSG& message);
    THintWindow* HintWindow() const { return m_hintWindow.get(); }
    TControl* HintControl() const { return m_hintControl; }
    bool HintActive() const { return m_hintActive; }
    // The last form went away: the hint window gives up its own window.
    void ReleaseHintWindowHandle();

    TExceptionEvent OnAppException;
    TIdleEvent OnAppIdle;
    TMessageEvent OnAppMessage;
    THintEvent OnAppHint;
    TNotifyEvent OnAppActivate;
    TNotifyEvent OnAppDeactivate;
    TNotifyEvent OnAppMinimize;
    TNotifyEvent OnAppRestore;
    TShortCutEvent OnAppShortCut;
    // Asked by the hint machinery before a hint is shown: may change its text or forbid it.
    std::function<void(AnsiString& hint, bool& canShow)> OnAppShowHint;

    // The application's window procedure (its hooks first, then its own handling).
    void WndProc(TMessage& message);

    // Destroys the forms at exit: hides the owned pop-ups, switches hints off and
    // destroys every owned component, the last created first.
    void Shutdown();

private:
    // Steps of the idle step: the control under the mouse is told when the mouse comes
    // and goes, and the current hint follows it.
    void TrackMouseControl();
    static void (*&InitProcedure())();
    void CreateHandle();
    void AdoptForm(TComponentPtr<> form, IAppForm* appForm);
    void ForgetForm(IAppForm* form);
    bool RouteKey(MSG& message);
    void DefaultHandler(TMessage& message);
    void OwnHandling(TMessage& message);
    void PushTopMosts(bool includeMain);
    void FocusTop();
    bool MainFormShownOrToBe() const;
    void ShowAppWindowWithoutAnimation(int command);
    void IconChanged();
    // Hints: showing at the cursor, the one-shot thread timer, and the watchers used
    // while RunApp's loop is not running.
    void ActivateHint(POINT cursor);
    void StartHintTimer(int delay, bool showMode);
    void StopHintTimer();
    void HintTimerExpired();
    void HookHintHooks();
    void UnhookHintHooks();
    static void CALLBACK HintTimerProc(HWND, UINT, UINT_PTR, DWORD);
    static LRESULT CALLBACK HintGetMessageHook(int code, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI HintWatcher(void* data);

    HWND m_handle = nullptr;
    bool m_handleCreated = false;
    WNDPROC m_objectInstance = nullptr;
    AnsiString m_title;
    IAppForm* m_primaryForm = nullptr;
    bool m_showPrimaryForm = true;
    bool m_terminating = false;
    bool m_running = false;
    bool m_active = true;
    std::unique_ptr<TIcon> m_icon;
    // Hooks in registration order; each keeps the serial number it was added with, so
    // that a walk over them knows its place whatever a hook adds or removes.
    struct HookEntry {
        TWindowHook Hook;
        std::uint64_t Serial;
    };
    std::vector<HookEntry> m_hooks;
    std::uint64_t m_nextHookSerial = 0;
    std::vector<HWND> m_topMostList;
    int m_topMostLevel = 0;
    std::optional<std::vector<HWND>> m_savedWindows;
    HWND m_dialogHandle = nullptr;
    TObject* m_mouseControl = nullptr;
    AnsiString m_currentHint;
    bool m_hintEnabled = false;
    bool m_appWindowShown = false;
    IFrameControls* m_controls = nullptr;
    TControl* m_hintControl = nullptr;
    TComponentPtr<THintWindow> m_hintWindow;
    bool m_hintActive = false;
    RECT m_hintCursorRect {};
    UINT_PTR m_hintTimer = 0;
    bool m_hintTimerShows = false;
    HHOOK m_hintHook = nullptr;
    HANDLE m_hintWatcher = nullptr;
    DWORD m_hintWatcherId = 0;
    HANDLE m_hintWatcherStop = nullptr;
    // Shared with the watcher thread: a hint is up, and the watcher asks the GUI
    // thread (set before the watcher starts) to look where the cursor is.
    std::atomic<bool> m_hintShown { false };
    std::atomic<bool> m_hintCheckRequested { false };
    DWORD m_hintGuiThreadId = 0;

    friend class TScreen;
};

// The process-wide application object (exists from start-up to exit).
extern TApplication* Application;
// The application's window, or none while there is no application object.
HWND ApplicationWindow();

// Disables every visible, enabled top-level window of the calling thread except the
// one spared and returns the list; EnableThreadWindows enables those that still exist.
std::vector<HWND> DisableThreadWindows(HWND spare);
void EnableThreadWindows(const std::vector<HWND>& windows);

// Terminate procedures: asked before the program ends (TerminateApp, the end of a
// session); all must agree.
void AddTerminateProc(std::function<bool()> procedure);
bool CallTerminateProcs();

template<class T> void TApplication::CreateAppForm(T*& reference)
{
    static_assert(std::is_base_of_v<TComponent, T> && std::is_base_of_v<IAppForm, T>,
        "an application form is a component and an IAppForm");
    // The storage is made first so that the reference is valid inside the
    // constructor; a failed constructor leaves the reference cleared.
    void* storage = ::operator new(sizeof(T));
    reference = static_cast<T*>(storage);
    ScopeExit clearReference([&reference] { reference = nullptr; });
    T* form = nullptr;
    {
        ScopeExit freeStorage([storage] { ::operator delete(storage); });
        form = ::new (storage) T(this);
        freeStorage.Dismiss();
    }
    AdoptForm(TComponentPtr<>(form), form);
    clearReference.Dismiss();
}
