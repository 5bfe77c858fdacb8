#include "runtime/MethodStub.h"

#include "runtime/Exceptions.h"
#include "runtime/LoopException.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// What a stub calls: the method and the sender that exceptions are reported with.
// A call through the stub holds the target, so a stub released by its own method
// (a control freeing itself, a timer destroyed in its tick) keeps what runs alive
// until the outermost call returns.
struct StubTarget : std::enable_shared_from_this<StubTarget> {
    StubTarget(TWndMethod m, TObject* s) : method(std::move(m)), sender(s) {}
    TWndMethod method;
    TObject* sender;
    bool released = false;
};

// What every stub ends in: the message handed to its target's method as a TMessage.
LRESULT StubDispatch(StubTarget* target, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<StubTarget> hold = target->shared_from_this();
    TMessage record;
    record.Msg = message;
    record.WParam = wParam;
    record.LParam = lParam;
    // Released during the call: what the stub was bound to is going or gone.
    RunAtEntryPoint([&] { hold->method(record); }, [&] { return hold->released ? nullptr : hold->sender; });
    return record.Result;
}

#if defined(__x86_64__)
}

// On x86-64 the window procedure's four arguments come in registers; the stub loads
// its target into r11 and jumps here, which shifts the arguments by one and calls
// StubEntry with the target first.
extern "C" LRESULT StubEntry(StubTarget* target, HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    return StubDispatch(target, message, wParam, lParam);
}

extern "C" LRESULT StubThunk(HWND, UINT, WPARAM, LPARAM);

asm(R"(
    .text
    .globl StubThunk
    .def StubThunk; .scl 2; .type 32; .endef
    .seh_proc StubThunk
StubThunk:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    movq %r9, 32(%rsp)
    movq %r8, %r9
    movq %rdx, %r8
    movq %rcx, %rdx
    movq %r11, %rcx
    call StubEntry
    addq $56, %rsp
    ret
    .seh_endproc
)");

namespace {

// Stubs are 32-byte pieces of code in executable pages that are reserved as needed
// and kept for the life of the process; freed stubs return to a free list.
//   49 BB <target64>   mov r11, target
//   48 B8 <thunk64>    mov rax, StubThunk
//   FF E0              jmp rax
constexpr std::size_t StubSize = 32;
constexpr std::size_t StubCodeSize = 22;

void WriteStubCode(unsigned char* code, StubTarget* target)
{
    auto targetWord = reinterpret_cast<std::uint64_t>(target);
    auto thunkWord = reinterpret_cast<std::uint64_t>(&StubThunk);
    code[0] = 0x49;
    code[1] = 0xBB;
    std::memcpy(code + 2, &targetWord, 8);
    code[10] = 0x48;
    code[11] = 0xB8;
    std::memcpy(code + 12, &thunkWord, 8);
    code[20] = 0xFF;
    code[21] = 0xE0;
}

#else

// stdcall makes the entry remove the pushed target with the four arguments.
LRESULT __stdcall StubEntry(StubTarget* target, HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    return StubDispatch(target, message, wParam, lParam);
}

// Stubs are 16-byte pieces of code in executable pages that are reserved as needed
// and kept for the life of the process; freed stubs return to a free list.
//   59              pop ecx          ; return address
//   68 <target>     push target
//   51              push ecx
//   E9 <rel32>      jmp StubEntry
constexpr std::size_t StubSize = 16;
constexpr std::size_t StubCodeSize = 12;

void WriteStubCode(unsigned char* code, StubTarget* target)
{
    auto entry = reinterpret_cast<std::uintptr_t>(&StubEntry);
    auto self = reinterpret_cast<std::uintptr_t>(code);
    std::uint32_t targetWord = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target));
    std::uint32_t jump = static_cast<std::uint32_t>(entry - (self + 12));
    code[0] = 0x59;
    code[1] = 0x68;
    std::memcpy(code + 2, &targetWord, 4);
    code[6] = 0x51;
    code[7] = 0xE9;
    std::memcpy(code + 8, &jump, 4);
}

#endif

constexpr std::size_t PageSize = 4096;

class StubPool {
public:
    WNDPROC Create(std::shared_ptr<StubTarget> target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.empty())
            AddPage();
        unsigned char* code = m_free.back();
        m_free.pop_back();
        WriteStubCode(code, target.get());
        std::memset(code + StubCodeSize, 0xCC, StubSize - StubCodeSize);
        FlushInstructionCache(GetCurrentProcess(), code, StubSize);
        WNDPROC stub = reinterpret_cast<WNDPROC>(code);
        m_targets[code] = std::move(target);
        return stub;
    }

    void Release(WNDPROC stub)
    {
        // The target goes after the lock is left: its method's captures may release
        // other stubs when they are destroyed.
        std::shared_ptr<StubTarget> target;
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* code = reinterpret_cast<unsigned char*>(stub);
        auto found = m_targets.find(code);
        if (found == m_targets.end())
            return;
        // A call running through the stub still holds the target; it goes when
        // that call returns.
        target = std::move(found->second);
        target->released = true;
        m_targets.erase(found);
        std::memset(code, 0xCC, StubSize);
        m_free.push_back(code);
    }

    bool Contains(WNDPROC stub)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_targets.count(reinterpret_cast<unsigned char*>(stub)) != 0;
    }

private:
    void AddPage()
    {
        void* page = VirtualAlloc(nullptr, PageSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
        if (!page)
            RaiseLastWin32Error();
        auto* bytes = static_cast<unsigned char*>(page);
        for (std::size_t offset = PageSize; offset >= StubSize; offset -= StubSize)
            m_free.push_back(bytes + offset - StubSize);
    }

    std::mutex m_mutex;
    std::vector<unsigned char*> m_free;
    std::map<unsigned char*, std::shared_ptr<StubTarget>> m_targets;
};

StubPool& Pool()
{
    static StubPool* pool = new StubPool; // lives until the process ends: stubs may run during exit
    return *pool;
}

struct PendingBinding {
    WNDPROC stub = nullptr;
    std::function<void(HWND)> attach;
};

thread_local PendingBinding pending;
}

WNDPROC CreateMethodStub(TWndMethod method, TObject* sender)
{
    return Pool().Create(std::make_shared<StubTarget>(std::move(method), sender));
}

void ReleaseMethodStub(WNDPROC stub)
{
    if (stub)
        Pool().Release(stub);
}

bool IsMethodStub(WNDPROC procedure) { return procedure && Pool().Contains(procedure); }

void PrepareWindowBinding(WNDPROC stub, std::function<void(HWND)> attach)
{
    pending.stub = stub;
    pending.attach = std::move(attach);
}

LRESULT CALLBACK InitialWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PendingBinding binding = std::move(pending);
    pending = PendingBinding();
    if (!binding.stub) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (binding.attach)
        RunAtEntryPoint([&] { binding.attach(window); }, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(binding.stub));
    return CallWindowProcA(binding.stub, window, message, wParam, lParam);
}

namespace {

const char* WindowObjectProperty()
{
    static ATOM atom = GlobalAddAtomA("SVFrameObject");
    return MAKEINTATOM(atom);
}

}

void SetWindowObject(HWND window, TObject* object)
{
    if (!window)
        return;
    if (object)
        SetPropA(window, WindowObjectProperty(), object);
    else
        RemovePropA(window, WindowObjectProperty());
}

TObject* WindowObject(HWND window)
{
    if (!window)
        return nullptr;
    return static_cast<TObject*>(GetPropA(window, WindowObjectProperty()));
}
