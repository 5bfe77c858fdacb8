#include "frame/MethodStub.h"

#include "frame/Application.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// What a stub calls: the method and the sender that exceptions are reported with.
struct StubTarget {
    TWndMethod method;
    TObject* sender;
};

// The common entry of all stubs. The stub has pushed its target below the return
// address, so this is a window procedure with one leading argument; stdcall makes it
// remove that argument too.
LRESULT __stdcall StubEntry(StubTarget* target, HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    TMessage record;
    record.Msg = message;
    record.WParam = wParam;
    record.LParam = lParam;
    try {
        target->method(record);
    } catch (...) {
        HandleLoopException(target->sender);
    }
    return record.Result;
}

// Stubs are 16-byte pieces of code in executable pages that are reserved as needed
// and kept for the life of the process; freed stubs return to a free list.
//   59              pop ecx          ; return address
//   68 <target>     push target
//   51              push ecx
//   E9 <rel32>      jmp StubEntry
constexpr std::size_t StubSize = 16;
constexpr std::size_t PageSize = 4096;

class StubPool {
public:
    WNDPROC Create(std::unique_ptr<StubTarget> target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.empty())
            AddPage();
        unsigned char* code = m_free.back();
        m_free.pop_back();
        auto entry = reinterpret_cast<std::uintptr_t>(&StubEntry);
        auto self = reinterpret_cast<std::uintptr_t>(code);
        std::uint32_t targetWord = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target.get()));
        std::uint32_t jump = static_cast<std::uint32_t>(entry - (self + 12));
        code[0] = 0x59;
        code[1] = 0x68;
        std::memcpy(code + 2, &targetWord, 4);
        code[6] = 0x51;
        code[7] = 0xE9;
        std::memcpy(code + 8, &jump, 4);
        std::memset(code + 12, 0xCC, StubSize - 12);
        FlushInstructionCache(GetCurrentProcess(), code, StubSize);
        WNDPROC stub = reinterpret_cast<WNDPROC>(code);
        m_targets[code] = std::move(target);
        return stub;
    }

    void Release(WNDPROC stub)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* code = reinterpret_cast<unsigned char*>(stub);
        auto found = m_targets.find(code);
        if (found == m_targets.end())
            return;
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
    std::map<unsigned char*, std::unique_ptr<StubTarget>> m_targets;
};

StubPool& Pool()
{
    static StubPool* pool = new StubPool;   // lives until the process ends: stubs may run during exit
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
    return Pool().Create(std::make_unique<StubTarget>(StubTarget { std::move(method), sender }));
}

void ReleaseMethodStub(WNDPROC stub)
{
    if (stub)
        Pool().Release(stub);
}

bool IsMethodStub(WNDPROC procedure)
{
    return procedure && Pool().Contains(procedure);
}

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
    if (binding.attach) {
        try {
            binding.attach(window);
        } catch (...) {
            HandleLoopException(nullptr);
        }
    }
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
