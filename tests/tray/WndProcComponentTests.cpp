// The window-procedure hook: messages of the owner's window reach the component first
// and the owner's own procedure after it; hooks chain and unchain; the owner's
// window going away ends the passing on.
#include "tray/support/TrayTestSupport.h"
#include "tray/KitWndProcComponent.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT Probe = WM_APP + 7;

// Records what its hook saw before passing it on.
class TProbeHook : public TKitWndProcComponent {
public:
    using TKitWndProcComponent::TKitWndProcComponent;
    void WndProc(TMessage& message) override
    {
        if (message.Msg == Probe && log)
            log->push_back(tag);
        TKitWndProcComponent::WndProc(message);
    }
    std::vector<char>* log = nullptr;
    char tag = '?';
};

WNDPROC ProcedureOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }

TEST(WndProcComponent, LoadedHooksTheOwnersWindowAndOnlySilentRemoveUnhooksIt)
{
    auto owner = MakeComponent<RecordingOwner>();
    HWND window = owner->FormHandle();
    WNDPROC own = ProcedureOf(window);
    std::vector<char> log;
    auto* hook = MakeOwned<TProbeHook>(owner.get());
    hook->log = &log;
    hook->tag = 'a';
    EXPECT_FALSE(hook->Hooked()); // construction hooks nothing

    hook->Loaded();
    ASSERT_TRUE(hook->Hooked());
    EXPECT_NE(ProcedureOf(window), own);
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log, (std::vector<char> { 'a' }));
    EXPECT_EQ(owner->Seen(Probe), 1);
    EXPECT_FALSE(hook->NewWndProc()); // installing twice is refused

    // Switching off leaves the hook in place in the base class.
    hook->SetEnabled(false);
    EXPECT_TRUE(hook->Hooked());
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log.size(), 2u);

    hook->SilentRemove();
    EXPECT_FALSE(hook->Hooked());
    EXPECT_FALSE(hook->Enabled());
    EXPECT_EQ(ProcedureOf(window), own);
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(owner->Seen(Probe), 3);

    // Switched on again: hooked anew with the then current procedure.
    hook->SetEnabled(true);
    EXPECT_TRUE(hook->Hooked());
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log.size(), 3u);
}

TEST(WndProcComponent, SeveralHooksChainAndComeOffInReverseOrder)
{
    auto owner = MakeComponent<RecordingOwner>();
    HWND window = owner->FormHandle();
    WNDPROC own = ProcedureOf(window);
    std::vector<char> log;
    auto* first = MakeOwned<TProbeHook>(owner.get());
    auto* second = MakeOwned<TProbeHook>(owner.get());
    first->log = second->log = &log;
    first->tag = '1';
    second->tag = '2';
    ASSERT_TRUE(first->NewWndProc());
    WNDPROC afterFirst = ProcedureOf(window);
    ASSERT_TRUE(second->NewWndProc());

    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log, (std::vector<char> { '2', '1' })); // the last hook sees it first
    EXPECT_EQ(owner->Seen(Probe), 1);

    second->RestoreWndProc();
    EXPECT_EQ(ProcedureOf(window), afterFirst);
    first->RestoreWndProc();
    EXPECT_EQ(ProcedureOf(window), own);
    log.clear();
    SendMessageA(window, Probe, 0, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(owner->Seen(Probe), 2);
}

TEST(WndProcComponent, HooksFreedByTheirOwnerGiveTheWindowItsProcedureBack)
{
    // The owner lets a component go before destroying it: the component no longer
    // knows its owner when it unhooks.
    auto owner = MakeComponent<RecordingOwner>();
    HWND window = owner->FormHandle();
    WNDPROC own = ProcedureOf(window);
    auto* first = MakeOwned<TProbeHook>(owner.get());
    auto* second = MakeOwned<TProbeHook>(owner.get());
    ASSERT_TRUE(first->NewWndProc());
    WNDPROC afterFirst = ProcedureOf(window);
    ASSERT_TRUE(second->NewWndProc());

    owner->DestroyComponent(second);
    EXPECT_EQ(ProcedureOf(window), afterFirst);
    owner->DestroyComponent(first);
    EXPECT_EQ(ProcedureOf(window), own);
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(owner->Seen(Probe), 1);

    // Unhooked by the owner's going: the window it leaves behind is not touched.
    auto* last = MakeOwned<TProbeHook>(owner.get());
    ASSERT_TRUE(last->NewWndProc());
    owner->DestroyOwnWindow();
    owner->DestroyComponent(last);
    EXPECT_FALSE(owner->FormHandleAllocated());
}

TEST(WndProcComponent, AHookRemovedOutOfOrderLeavesTheLaterOneInTheChain)
{
    auto owner = MakeComponent<RecordingOwner>();
    HWND window = owner->FormHandle();
    WNDPROC own = ProcedureOf(window);
    std::vector<char> log;
    auto* first = MakeOwned<TProbeHook>(owner.get());
    auto* second = MakeOwned<TProbeHook>(owner.get());
    first->log = second->log = &log;
    first->tag = '1';
    second->tag = '2';
    ASSERT_TRUE(first->NewWndProc());
    ASSERT_TRUE(second->NewWndProc());
    WNDPROC secondStub = ProcedureOf(window);

    owner->DestroyComponent(first);
    EXPECT_EQ(ProcedureOf(window), secondStub);
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(log, (std::vector<char> { '2' }));
    EXPECT_EQ(owner->Seen(Probe), 1);

    second->RestoreWndProc();
    EXPECT_EQ(ProcedureOf(window), own);
    SendMessageA(window, Probe, 0, 0);
    EXPECT_EQ(owner->Seen(Probe), 2);
}

TEST(WndProcComponent, AfterWmDestroyNothingReachesTheOwnerAndDestructionCreatesNoWindow)
{
    auto owner = MakeComponent<RecordingOwner>();
    owner->FormHandle();
    auto* hook = MakeOwned<TProbeHook>(owner.get());
    ASSERT_TRUE(hook->NewWndProc());
    owner->DestroyOwnWindow();
    EXPECT_TRUE(hook->OwnerDestroying());
    // WM_DESTROY itself reached the owner; WM_NCDESTROY after it did not.
    EXPECT_EQ(owner->Seen(WM_DESTROY), 1);
    EXPECT_EQ(owner->Seen(WM_NCDESTROY), 0);

    owner->DestroyComponent(hook);
    EXPECT_FALSE(owner->FormHandleAllocated());
}

TEST(WndProcComponent, WithoutAnOwnerWindowNothingIsHooked)
{
    auto lone = MakeComponent<TProbeHook>();
    EXPECT_EQ(lone->GetOwnerHandle(), nullptr);
    EXPECT_FALSE(lone->NewWndProc());
    lone->Loaded();
    EXPECT_FALSE(lone->Hooked());

    // An owner that is no form has no window to give.
    auto plain = MakeComponent<TComponent>();
    auto* hook = MakeOwned<TProbeHook>(plain.get());
    EXPECT_FALSE(hook->NewWndProc());
}

TEST(KitCustomComponent, ChangeReportsWaitForTheEndOfAnUpdate)
{
    auto component = MakeComponent<TProbeHook>();
    int changes = 0;
    component->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, component.get());
        ++changes;
    };
    component->BeginUpdate();
    component->GetChange(nullptr);
    EXPECT_EQ(changes, 0);
    component->EndUpdate(false);
    EXPECT_EQ(changes, 0);
    component->BeginUpdate();
    component->EndUpdate(true);
    EXPECT_EQ(changes, 1);
    component->SetAbout("a text longer than ten");
    EXPECT_EQ(component->About(), "a text lon");
}

}
