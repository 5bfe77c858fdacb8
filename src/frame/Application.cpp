#include "frame/Application.h"

#include "runtime/MethodStub.h"
#include "frame/HintWindow.h"
#include "frame/Screen.h"
#include "graphics/Clipboard.h"
#include "graphics/Icon.h"
#include "runtime/AnsiString.h"
#include "runtime/Platform.h"
#include "frame/ThreadWindows.h"
#include "runtime/LoopException.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <new>
#include <typeinfo>

TApplication* Application = nullptr;

HWND ApplicationWindow() { return Application ? Application->Handle() : nullptr; }

namespace {

const char AppClassName[] = "TApplication";
constexpr DWORD AppWindowStyle = 0x84CA0000; // pop-up, clip siblings, caption, system menu, minimize box

// The program file's base name: OEM to ANSI, folder and extension dropped, every
// character after the first lower-cased with the code page's rules.
AnsiString ModuleBaseName()
{
    char path[256] = {};
    GetModuleFileNameA(ModuleInstance(), path, sizeof path - 1);
    OemToCharA(path, path);
    AnsiString name = path;
    name.erase(0, LastDelimiter("\\", name));
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (ByteKindAt(name, i) == ByteKind::Single && name[i] == '.') {
            name.resize(i);
            break;
        }
    }
    if (name.size() > 1) {
        std::size_t first = ByteKindAt(name, 0) == ByteKind::Lead && name.size() > 1 ? 2 : 1;
        if (first < name.size())
            CharLowerBuffA(&name[first], static_cast<DWORD>(name.size() - first));
    }
    return name;
}

std::vector<std::function<bool()>>& TerminateProcs()
{
    static std::vector<std::function<bool()>> procedures;
    return procedures;
}

// The readable name of the type of the exception being handled.
AnsiString CurrentExceptionClassName()
{
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type)
        return "Unknown";
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? AnsiString(readable.get()) : AnsiString(type->name());
}

// The exception report for objects outside the program's exception classes: class
// name, the module holding the address and the address relative to the module.
void ShowGenericReport(const AnsiString& className, const void* address)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCSTR>(address), &module);
    char path[MAX_PATH] = {};
    if (module)
        GetModuleFileNameA(module, path, sizeof path - 1);
    AnsiString moduleName = path;
    moduleName.erase(0, LastDelimiter("\\", moduleName));
    auto relative = reinterpret_cast<const void*>(
        reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module));
    AnsiString text =
        Format(LoadResString(TextId::ExceptionInModule) + "\n%s%s", className, moduleName, relative, "", "");
    AnsiString caption = LoadResString(TextId::ApplicationErrorCaption);
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

bool exitRegistered = false;

void ShutdownAtExit()
{
    if (Application)
        Application->Shutdown();
}

void ReportToApplication(TObject* sender)
{
    if (Application)
        Application->HandleLoopException(sender);
}

// The process-wide objects exist from before the program's entry to its end.
struct FrameObjects {
    FrameObjects()
    {
        Screen = new TScreen(nullptr);
        Application = new TApplication(nullptr);
        Application->SetHintEnabled(true);
        // The lower layers report through the application and open the clipboard
        // on its window.
        SetLoopExceptionHandler(&ReportToApplication);
        SetClipboardWindowProvider(&ApplicationWindow);
    }
    ~FrameObjects()
    {
        SetClipboardWindowProvider(nullptr);
        SetLoopExceptionHandler(nullptr);
        TComponentPtr<TApplication> application(Application);
        application.reset();
        Application = nullptr;
        TComponentPtr<TScreen> screen(Screen);
        screen.reset();
        Screen = nullptr;
    }
};

FrameObjects frameObjects;

}

// ---- construction and destruction -------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner)
{
    m_title = ModuleBaseName();
    m_icon = std::make_unique<TIcon>();
    if (HICON own = LoadIconA(ModuleInstance(), "MAINICON"))
        m_icon->SetHandle(CopyIcon(own));
    m_icon->SetOnChange([this](TObject*) { IconChanged(); });
    CreateHandle();
}

TApplication::~TApplication()
{
    m_active = false;
    CancelHint();
    m_hintWindow.reset();
    m_hintEnabled = false;
    Destroying();
    DestroyComponents();
    if (m_handleCreated && m_handle) {
        if (NewShellPlatform())
            SendMessageA(m_handle, WM_SETICON, ICON_BIG, 0);
        SetWindowObject(m_handle, nullptr);
        DestroyWindow(m_handle);
        m_handle = nullptr;
    }
    ReleaseMethodStub(m_objectInstance);
    m_objectInstance = nullptr;
    m_icon.reset();
}

HICON TApplication::Icon() const
{
    if (m_icon && !m_icon->Empty())
        return m_icon->Handle();
    return nullptr;
}

// The window and its class show the application icon, or the system's default
// application icon when there is none.
void TApplication::IconChanged()
{
    if (!m_handle || !NewShellPlatform())
        return;
    HICON icon = Icon();
    if (!icon)
        icon = LoadIconA(nullptr, IDI_APPLICATION);
    SendMessageA(m_handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetClassLongPtrA(m_handle, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void TApplication::CreateHandle()
{
    m_objectInstance = CreateMethodStub([this](TMessage& message) { WndProc(message); }, this);
    WNDCLASSA existing {};
    if (!GetClassInfoA(ModuleInstance(), AppClassName, &existing)) {
        WNDCLASSA windowClass {};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.hInstance = ModuleInstance();
        windowClass.hIcon = Icon() ? Icon() : LoadIconA(nullptr, IDI_APPLICATION);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = AppClassName;
        if (!RegisterClassA(&windowClass))
            throw EOutOfResources(LoadResString(TextId::WindowClassFailed));
    }
    int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    m_handle = CreateWindowExA(
        0, AppClassName, m_title.c_str(), AppWindowStyle, x, y, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
    if (!m_handle)
        throw EOutOfResources(LoadResString(TextId::WindowClassFailed));
    m_title.clear();
    m_handleCreated = true;
    SetWindowObject(m_handle, this);
    SetWindowLongPtrA(m_handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_objectInstance));
    IconChanged();
    HMENU systemMenu = GetSystemMenu(m_handle, FALSE);
    DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
    if (NewShellPlatform())
        DeleteMenu(systemMenu, SC_MOVE, MF_BYCOMMAND);
}

void TApplication::Shutdown()
{
    if (m_handle)
        ShowOwnedPopups(m_handle, FALSE);
    SetHintEnabled(false);
    Destroying();
    DestroyComponents();
}

// ---- title, initialisation, forms ---------------------------------------------------

AnsiString TApplication::AppTitle() const
{
    if (!m_handleCreated || !m_handle)
        return m_title;
    char buffer[256] = {};
    GetWindowTextA(m_handle, buffer, sizeof buffer);
    return buffer;
}

void TApplication::SetAppTitle(const AnsiString& title)
{
    if (m_handleCreated && m_handle) {
        if (AppTitle() != title || !m_title.empty())
            SetWindowTextA(m_handle, title.c_str());
        m_title.clear();
    } else {
        m_title = title;
    }
}

void (*&TApplication::InitProcedure())()
{
    static void (*procedure)() = nullptr;
    return procedure;
}

void TApplication::InitializeApp()
{
    if (InitProcedure())
        InitProcedure()();
}

void TApplication::AdoptForm(TComponentPtr<> form, IAppForm* appForm)
{
    TComponent* component = form.get();
    InsertComponent(std::move(form));
    ScopeExit destroy([this, component] { DestroyComponent(component); });
    component->AfterConstruction();
    destroy.Dismiss();
    if (!m_primaryForm && appForm->IsTForm()) {
        appForm->FormHandle();
        m_primaryForm = appForm;
    }
}

void TApplication::ForgetForm(IAppForm* form)
{
    if (m_primaryForm == form)
        m_primaryForm = nullptr;
}

// ---- the message loop -----------------------------------------------------------------

void TApplication::RunApp()
{
    m_running = true;
    ScopeExit stopped([this] { m_running = false; });
    if (!exitRegistered) {
        exitRegistered = true;
        std::atexit(&ShutdownAtExit);
    }
    if (m_primaryForm) {
        STARTUPINFOA startup {};
        startup.cb = sizeof startup;
        GetStartupInfoA(&startup);
        if (startup.dwFlags & STARTF_USESHOWWINDOW) {
            if (startup.wShowWindow == SW_SHOWMAXIMIZED)
                m_primaryForm->SetFormWindowState(wsMaximized);
            else if (startup.wShowWindow == SW_SHOWMINNOACTIVE)
                m_primaryForm->SetFormWindowState(wsMinimized);
        }
        if (m_showPrimaryForm) {
            if (m_primaryForm->FormWindowState() == wsMinimized)
                MinimizeApp();
            else
                m_primaryForm->SetFormVisible(true);
        }
        // A modal loop of the start (a notice's) may already have taken the quit
        // message: the loop then does not wait for one more message first.
        while (!m_terminating)
            HandleOneMessage();
    }
}

void TApplication::TerminateApp()
{
    if (CallTerminateProcs())
        PostQuitMessage(0);
}

void TApplication::HandleOneMessage()
{
    MSG message {};
    if (!ProcessOneMessage(message))
        IdleStep(message);
}

void TApplication::ProcessPendingMessages()
{
    MSG message {};
    while (ProcessOneMessage(message)) {}
}

bool TApplication::ProcessOneMessage(MSG& message)
{
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        m_terminating = true;
        return true;
    }
    bool handled = false;
    if (OnAppMessage)
        OnAppMessage(message, handled);
    if (m_hintWindow)
        HintCancelTest(message);
    if (handled)
        return true;
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST && RouteKey(message))
        return true;
    if (m_dialogHandle && IsDialogMessageA(m_dialogHandle, &message))
        return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

// Offers a key message to the frame control it is meant for, before translation.
bool TApplication::RouteKey(MSG& message)
{
    HWND target = GetCapture();
    if (target) {
        if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(target, GWLP_HINSTANCE)) != ModuleInstance())
            return false;
    } else {
        target = message.hwnd;
        for (HWND window = message.hwnd; window; window = GetParent(window)) {
            if (WindowObject(window) && window != m_handle) {
                target = window;
                break;
            }
        }
    }
    if (!target)
        return false;
    return SendMessageA(target, message.message + FN_OFFSET, message.wParam, message.lParam) != 0;
}

void TApplication::TrackMouseControl()
{
    TObject* control = nullptr;
    POINT cursor {};
    if (m_controls && GetCursorPos(&cursor))
        control = m_controls->ControlAtPos(cursor);
    if (control != m_mouseControl) {
        TObject* capture = m_controls ? m_controls->CaptureControl() : nullptr;
        if (m_mouseControl && m_controls && (!capture || capture == m_mouseControl))
            m_controls->PerformOn(m_mouseControl, FM_MOUSELEAVE, 0, 0);
        m_mouseControl = control;
        if (m_mouseControl && m_controls && (!capture || capture == m_mouseControl))
            m_controls->PerformOn(m_mouseControl, FM_MOUSEENTER, 0, 0);
    }
    if (m_hintEnabled && !m_mouseControl)
        CancelHint();
    AnsiString hint;
    if (m_mouseControl && m_controls) {
        hint = m_controls->ControlHint(m_mouseControl);
        std::size_t bar = hint.find('|');
        if (bar != AnsiString::npos)
            hint.erase(0, bar + 1);
    }
    if (hint != m_currentHint) {
        m_currentHint = hint;
        if (OnAppHint)
            OnAppHint(this);
    }
}

void TApplication::IdleStep(const MSG&)
{
    // A control's answer to the mouse or hint messages may raise: it is reported like
    // any other, and the loop goes on.
    CallCatching([this] { TrackMouseControl(); }, [this] { HandleLoopException(this); });
    bool done = true;
    CallCatching(
        [&] {
            if (OnAppIdle)
                OnAppIdle(this, done);
            if (done && Screen) {
                for (int i = 0; i < Screen->CustomFormCount(); ++i) {
                    IAppForm* form = Screen->CustomForms(i);
                    if (form->FormHandleAllocated() && form->FormVisible() && form->FormEnabled())
                        form->FormUpdateActions();
                }
            }
        },
        [this] { HandleLoopException(this); });
    if (done)
        WaitMessage();
}

// ---- exceptions and message boxes -----------------------------------------------------

void TApplication::HandleLoopException(TObject* sender)
{
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    const void* address = __builtin_return_address(0);
    // This runs inside the catch blocks of window procedures, timer callbacks and
    // hooks: nothing raised while reporting may leave it. An exception of the
    // exception handler itself is shown in the error box; anything raised by the
    // report is dropped.
    try {
        try {
            std::rethrow_exception(current);
        } catch (EAbort&) {
        } catch (Exception& error) {
            if (OnAppException)
                OnAppException(sender, error);
            else
                ShowErrorBox(error);
        } catch (std::bad_alloc&) {
            // Memory running out is the program's out-of-memory error, as when the
            // memory manager raises it.
            EOutOfMemory error(Exception::ResText(TextId::OutOfMemory));
            if (OnAppException)
                OnAppException(sender, error);
            else
                ShowErrorBox(error);
        } catch (...) { // any other kind: named by its type alone
            ShowGenericReport(CurrentExceptionClassName(), address);
        }
    } catch (EAbort&) {
    } catch (Exception& error) {
        try {
            ShowErrorBox(error);
        } catch (...) { // the error box failed too: dropped
        }
    } catch (...) { // raised by the report: dropped
    }
}

AnsiString TApplication::ErrorBoxText(const AnsiString& message)
{
    if (message.empty())
        return message;
    std::size_t last = message.size() - 1;
    if (last > 0 && ByteKindAt(message, last) == ByteKind::Trail)
        --last;
    return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

void TApplication::ShowErrorBox(const Exception& error)
{
    AppMessageBox(ErrorBoxText(error.Message()), AppTitle(), MB_ICONERROR);
}

int TApplication::AppMessageBox(const AnsiString& text, const AnsiString& caption, UINT flags)
{
    HWND active = GetActiveWindow();
    HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
    HMONITOR appMonitor = MonitorFromWindow(m_handle, MONITOR_DEFAULTTONEAREST);
    bool moved = false;
    RECT saved {};
    if (activeMonitor != appMonitor) {
        MONITORINFO info {};
        info.cbSize = sizeof info;
        GetMonitorInfoA(activeMonitor, &info);
        GetWindowRect(m_handle, &saved);
        SetWindowPos(m_handle, nullptr, info.rcMonitor.left + (info.rcMonitor.right - info.rcMonitor.left) / 2,
            info.rcMonitor.top + (info.rcMonitor.bottom - info.rcMonitor.top) / 2, 0, 0,
            SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        moved = true;
    }
    // Put back in every case: the window's place, the disabled windows, the active window.
    std::vector<HWND> disabled;
    ScopeExit restore([&] {
        if (moved)
            SetWindowPos(m_handle, nullptr, saved.left + (saved.right - saved.left) / 2,
                saved.top + (saved.bottom - saved.top) / 2, 0, 0,
                SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
        EnableThreadWindows(disabled);
        SetActiveWindow(active);
    });
    disabled = DisableThreadWindows(nullptr);
    int result = MessageBoxA(m_handle, text.c_str(), caption.c_str(), flags);
    return result;
}

// ---- minimize, restore, top-most windows ------------------------------------------

bool TApplication::MainFormShownOrToBe() const
{
    return m_primaryForm && (m_showPrimaryForm || m_primaryForm->FormVisible());
}

void TApplication::ShowAppWindowWithoutAnimation(int command)
{
    ANIMATIONINFO animation {};
    animation.cbSize = sizeof animation;
    bool known = SystemParametersInfoA(SPI_GETANIMATION, sizeof animation, &animation, 0) != 0;
    int previous = animation.iMinAnimate;
    if (known && previous) {
        animation.iMinAnimate = 0;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof animation, &animation, 0);
    }
    ShowWindow(m_handle, command);
    if (known && previous) {
        animation.iMinAnimate = previous;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof animation, &animation, 0);
    }
}

void TApplication::MinimizeApp()
{
    if (IsIconic(m_handle))
        return;
    NormalizeTopMosts();
    SetActiveWindow(m_handle);
    if (MainFormShownOrToBe()) {
        RECT bounds = m_primaryForm->FormBounds();
        SetWindowPos(m_handle, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, 0,
            SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
        DefWindowProcA(m_handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else {
        ShowAppWindowWithoutAnimation(SW_MINIMIZE);
    }
    if (OnAppMinimize)
        OnAppMinimize(this);
}

void TApplication::RestoreApp()
{
    if (!IsIconic(m_handle))
        return;
    SetActiveWindow(m_handle);
    if (MainFormShownOrToBe())
        DefWindowProcA(m_handle, WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        ShowAppWindowWithoutAnimation(SW_RESTORE);
    SetWindowPos(m_handle, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
        SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_primaryForm && m_primaryForm->FormWindowState() == wsMinimized && !m_primaryForm->FormVisible()) {
        m_primaryForm->SetFormWindowState(wsNormal);
        m_primaryForm->SetFormVisible(true);
    }
    RestoreTopMosts();
    if (m_controls)
        m_controls->FocusActiveControl();
    if (OnAppRestore)
        OnAppRestore(this);
}

void TApplication::BringToFront()
{
    if (!m_handle)
        return;
    HWND popup = GetLastActivePopup(m_handle);
    if (popup && popup != m_handle && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
}

namespace {

struct TopMostSearch {
    HWND application;
    HWND mainForm;
    bool includeMain;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopMost(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<TopMostSearch*>(data);
    if (window == search->application)
        return TRUE;
    if (GetWindow(window, GW_OWNER) != search->application)
        return TRUE;
    if (!(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST))
        return TRUE;
    if (window == search->mainForm && !search->includeMain)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

}

void TApplication::PushTopMosts(bool includeMain)
{
    if (!m_handle)
        return;
    ++m_topMostLevel;
    if (m_topMostLevel != 1)
        return;
    TopMostSearch search { m_handle,
        m_primaryForm && m_primaryForm->FormHandleAllocated() ? m_primaryForm->FormHandle() : nullptr, includeMain,
        {} };
    EnumWindows(&CollectTopMost, reinterpret_cast<LPARAM>(&search));
    m_topMostList = search.found;
    HWND above = GetWindow(m_handle, GW_HWNDPREV);
    if (!above || (GetWindowLongA(above, GWL_EXSTYLE) & WS_EX_TOPMOST))
        above = HWND_NOTOPMOST;
    for (auto it = m_topMostList.rbegin(); it != m_topMostList.rend(); ++it)
        SetWindowPos(*it, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TApplication::RestoreTopMosts()
{
    if (m_topMostLevel == 0)
        return;
    --m_topMostLevel;
    if (m_topMostLevel != 0)
        return;
    for (auto it = m_topMostList.rbegin(); it != m_topMostList.rend(); ++it)
        if (IsWindow(*it))
            SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_topMostList.clear();
}

// ---- hooks, visibility, hints ---------------------------------------------------------

void TApplication::HookAppWindow(TWindowHookProc procedure, void* data)
{
    m_hooks.push_back(HookEntry { TWindowHook { procedure, data }, m_nextHookSerial++ });
}

void TApplication::UnhookAppWindow(TWindowHookProc procedure, void* data)
{
    auto it = std::find_if(m_hooks.begin(), m_hooks.end(),
        [&](const HookEntry& entry) { return entry.Hook.Procedure == procedure && entry.Hook.Data == data; });
    if (it != m_hooks.end())
        m_hooks.erase(it);
}

void TApplication::UpdateAppWindowVisible()
{
    if (!m_handle || !Screen)
        return;
    bool wanted = false;
    for (int i = 0; i < Screen->CustomFormCount() && !wanted; ++i) {
        IAppForm* form = Screen->CustomForms(i);
        if (!form->FormVisible())
            continue;
        HWND parent = form->FormParentWindow();
        if (parent && (!form->FormHandleAllocated() || GetParent(form->FormHandle()) == parent))
            continue;
        wanted = true;
    }
    bool real = IsWindowVisible(m_handle) != 0;
    if (real == m_appWindowShown && real != wanted) {
        SetWindowPos(m_handle, nullptr, 0, 0, 0, 0,
            (wanted ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_appWindowShown = wanted;
    }
}

// ---- the application window procedure --------------------------------------------------

void TApplication::DefaultHandler(TMessage& message)
{
    message.Result = DefWindowProcA(m_handle, message.Msg, message.WParam, message.LParam);
}

void TApplication::WndProc(TMessage& message)
{
    CallCatching(
        [&] {
            // A hook may hook or unhook others, itself included, while it runs. Serial
            // numbers rise in registration order, so the next hook is the first one added
            // after the hook just called, wherever that one now stands or whether it
            // is still there: no hook is skipped and none is called twice. Hooks added
            // during the walk (a hook hooking itself again included) wait for the next
            // message, so the walk always ends.
            const std::uint64_t walkEnd = m_nextHookSerial;
            for (std::size_t i = 0; i < m_hooks.size() && m_hooks[i].Serial < walkEnd;) {
                HookEntry entry = m_hooks[i];
                if (entry.Hook.Procedure(entry.Hook.Data, message))
                    return;
                i = static_cast<std::size_t>(
                    std::upper_bound(m_hooks.begin(), m_hooks.end(), entry.Serial,
                        [](std::uint64_t serial, const HookEntry& other) { return serial < other.Serial; })
                    - m_hooks.begin());
            }
            if (message.Msg == WM_WININICHANGE) {
                if (UpdateFormatSettings)
                    SetThreadLocale(LOCALE_USER_DEFAULT);
                if (UpdateMetricSettings) {
                    if (Screen)
                        Screen->ReloadMetrics();
                    if (m_hintEnabled) {
                        SetHintEnabled(false);
                        SetHintEnabled(true);
                    }
                }
            }
            OwnHandling(message);
        },
        [this] { HandleLoopException(this); });
}

namespace {

}

void TApplication::FocusTop()
{
    if (IsIconic(m_handle) || GetFocus() != m_handle)
        return;
    if (HWND target = FirstActivatableThreadWindow(m_handle))
        SetFocus(target);
}

void TApplication::OwnHandling(TMessage& message)
{
    switch (message.Msg) {
    case WM_SETFOCUS:
        PostMessageA(m_handle, FM_FOCUSTOP, 0, 0);
        DefaultHandler(message);
        return;
    case WM_ENABLE:
        if (message.WParam) {
            RestoreTopMosts();
            if (m_savedWindows) {
                EnableThreadWindows(*m_savedWindows);
                m_savedWindows.reset();
            }
            DefaultHandler(message);
        } else {
            DefaultHandler(message);
            if (!m_savedWindows)
                m_savedWindows = DisableThreadWindows(m_handle);
            NormalizeAllTopMosts();
        }
        return;
    case WM_PAINT:
        if (IsIconic(m_handle)) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(m_handle, &paint);
            if (HICON icon = Icon())
                DrawIcon(dc, 0, 0, icon);
            EndPaint(m_handle, &paint);
        } else {
            DefaultHandler(message);
        }
        return;
    case WM_CLOSE:
        if (m_primaryForm)
            m_primaryForm->CloseForm();
        return;
    case WM_ERASEBKGND:
        message.Msg = WM_ICONERASEBKGND;
        DefaultHandler(message);
        return;
    case WM_ENDSESSION:
        if (message.WParam)
            m_terminating = true;
        return;
    case WM_ACTIVATEAPP:
        DefaultHandler(message);
        m_active = message.WParam != 0;
        if (m_active) {
            RestoreTopMosts();
            PostMessageA(m_handle, FM_ACTIVATE, 0, 0);
        } else {
            NormalizeTopMosts();
            PostMessageA(m_handle, FM_DEACTIVATE, 0, 0);
        }
        return;
    case WM_FONTCHANGE:
        if (Screen)
            Screen->ReloadFonts();
        DefaultHandler(message);
        return;
    case WM_QUERYDRAGICON: message.Result = reinterpret_cast<LRESULT>(Icon()); return;
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE: MinimizeApp(); return;
        case SC_RESTORE: RestoreApp(); return;
        default: DefaultHandler(message); return;
        }
    case FM_ACTIVATE:
        if (OnAppActivate)
            OnAppActivate(this);
        return;
    case FM_DEACTIVATE:
        if (OnAppDeactivate)
            OnAppDeactivate(this);
        return;
    case FM_APPKEYDOWN: {
        bool handled = false;
        if (OnAppShortCut)
            OnAppShortCut(message, handled);
        if (!handled && m_primaryForm && m_primaryForm->FormEnabled() && m_primaryForm->FormIsShortCut(message))
            message.Result = 1;
        return;
    }
    case FM_APPSYSCOMMAND:
        if (m_primaryForm && m_primaryForm->FormHandleAllocated()) {
            HWND form = m_primaryForm->FormHandle();
            if (IsWindowEnabled(form) && IsWindowVisible(form)) {
                HWND focus = GetFocus();
                SetFocus(form);
                m_primaryForm->FormPerform(WM_SYSCOMMAND, message.WParam, message.LParam);
                SetFocus(focus);
                message.Result = 1;
            }
        }
        return;
    case FM_FOCUSTOP: FocusTop(); return;
    case FM_INVOKEHELP: return; // the program has no help file
    case FM_WINDOWHOOK:
        if (auto* hook = reinterpret_cast<TWindowHook*>(message.LParam)) {
            if (message.WParam == 0)
                HookAppWindow(hook->Procedure, hook->Data);
            else
                UnhookAppWindow(hook->Procedure, hook->Data);
        }
        return;
    case FM_DIALOGHANDLE:
        if (message.WParam == 1)
            message.Result = reinterpret_cast<LRESULT>(m_dialogHandle);
        else
            m_dialogHandle = reinterpret_cast<HWND>(message.LParam);
        return;
    case FM_ACTIONUPDATE:
    case FM_ACTIONEXECUTE:
        message.Result = 0; // the program has no actions
        return;
    default:
        if (message.Msg >= WM_CTLCOLORMSGBOX && message.Msg <= WM_CTLCOLORSTATIC) {
            message.Result = SendMessageA(
                reinterpret_cast<HWND>(message.LParam), message.Msg + FN_OFFSET, message.WParam, message.LParam);
            return;
        }
        DefaultHandler(message);
        return;
    }
}

// ---- shared helpers ---------------------------------------------------------------------

namespace {

struct DisableState {
    HWND spare;
    std::vector<HWND> disabled;
    std::exception_ptr failure;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM data)
{
    auto* state = reinterpret_cast<DisableState*>(data);
    try {
        if (window != state->spare && IsWindowVisible(window) && IsWindowEnabled(window)) {
            state->disabled.push_back(window);
            EnableWindow(window, FALSE);
        }
    } catch (...) { // kept to be raised again once the platform's enumeration is over
        state->failure = std::current_exception();
        return FALSE;
    }
    return TRUE;
}

}

std::vector<HWND> DisableThreadWindows(HWND spare)
{
    DisableState state { spare, {}, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&state));
    if (state.failure) {
        EnableThreadWindows(state.disabled);
        std::rethrow_exception(state.failure);
    }
    return state.disabled;
}

void EnableThreadWindows(const std::vector<HWND>& windows)
{
    for (HWND window : windows)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
}

void AddTerminateProc(std::function<bool()> procedure) { TerminateProcs().push_back(std::move(procedure)); }

bool CallTerminateProcs()
{
    for (const auto& procedure : TerminateProcs())
        if (!procedure())
            return false;
    return true;
}
