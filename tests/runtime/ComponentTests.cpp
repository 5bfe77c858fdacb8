#include "common/ExpectThrow.h"
#include "runtime/Component.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

// A component that writes its life and the notifications it hears into a journal.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::vector<std::string>* journal, std::string tag)
        : TComponent(owner)
        , m_journal(journal)
        , m_tag(std::move(tag))
    {
    }
    ~Probe() override { m_journal->push_back("destroy " + m_tag + (HasState(csDestroying) ? " (destroying)" : "")); }

    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        auto* probe = dynamic_cast<Probe*>(component);
        if (probe && probe != this)
            m_journal->push_back(m_tag + (operation == TOperation::opInsert ? " +" : " -") + probe->m_tag);
        if (operation == TOperation::opRemove && component == watched)
            watched = nullptr;
    }

private:
    std::vector<std::string>* m_journal;
    std::string m_tag;
};

class Plain : public TComponent {
public:
    using TComponent::TComponent;
};

}

TEST(Component, OwnerDestroysItsComponentsLastCreatedFirst)
{
    std::vector<std::string> journal;
    {
        TComponentPtr<Plain> owner = MakeComponent<Plain>();
        MakeOwned<Probe>(owner.get(), &journal, "a");
        Probe* b = MakeOwned<Probe>(owner.get(), &journal, "b");
        MakeOwned<Probe>(b, &journal, "b1");
        MakeOwned<Probe>(owner.get(), &journal, "c");
        EXPECT_EQ(owner->ComponentCount(), 3);
        EXPECT_EQ(b->Owner(), owner.get());
        EXPECT_EQ(b->ComponentIndex(), 1);
        journal.clear();
    }
    // Each destroyed component is marked destroying; the rest of the owner's tree
    // hears of each removal before the component goes.
    std::vector<std::string> expected = { "a -c", "b1 -c", "b -c", "destroy c (destroying)", "a -b",
        "destroy b (destroying)", "destroy b1 (destroying)", "destroy a (destroying)" };
    EXPECT_EQ(journal, expected);
}

TEST(Component, InsertAndEarlyDestructionAreAnnouncedAndLeaveTheList)
{
    std::vector<std::string> journal;
    TComponentPtr<Plain> owner = MakeComponent<Plain>();
    Probe* a = MakeOwned<Probe>(owner.get(), &journal, "a");
    Probe* b = MakeOwned<Probe>(owner.get(), &journal, "b");
    a->watched = b;
    EXPECT_EQ(journal, (std::vector<std::string> { "a +b" }));

    journal.clear();
    owner->DestroyComponent(b);
    EXPECT_EQ(journal, (std::vector<std::string> { "a -b", "destroy b (destroying)" }));
    EXPECT_EQ(a->watched, nullptr);
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), a);

    // Handing a component back: the owner lets go of it and the caller holds it.
    TComponentPtr<> released = owner->RemoveComponent(a);
    ASSERT_EQ(released.get(), a);
    EXPECT_EQ(a->Owner(), nullptr);
    EXPECT_EQ(owner->ComponentCount(), 0);
    EXPECT_EQ(owner->RemoveComponent(a), nullptr);

    // A component made elsewhere (as the form-stream reader does) joins an owner.
    owner->InsertComponent(std::move(released));
    EXPECT_EQ(a->Owner(), owner.get());
    EXPECT_EQ(owner->ComponentCount(), 1);
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners)
{
    std::vector<std::string> journal;
    TComponentPtr<Plain> form1 = MakeComponent<Plain>();
    TComponentPtr<Plain> form2 = MakeComponent<Plain>();
    Probe* referrer = MakeOwned<Probe>(form1.get(), &journal, "referrer");
    Probe* target = MakeOwned<Probe>(form2.get(), &journal, "target");
    Probe* other = MakeOwned<Probe>(form2.get(), &journal, "other");
    target->FreeNotification(referrer);
    referrer->watched = target;
    other->FreeNotification(referrer);

    journal.clear();
    form2->DestroyComponent(target);
    EXPECT_EQ(referrer->watched, nullptr);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "referrer -target"), 1);

    // The link is mutual: when the referrer goes first, the other side forgets it and
    // nothing is told to a destroyed component later.
    form1->DestroyComponent(referrer);
    journal.clear();
    form2.reset();
    EXPECT_EQ(journal, (std::vector<std::string> { "destroy other (destroying)" }));
}

TEST(Component, NamesAreIdentifiersUniqueAmongTheOwnersComponents)
{
    TComponentPtr<Plain> owner = MakeComponent<Plain>();
    Plain* timer = MakeOwned<Plain>(owner.get());
    Plain* image = MakeOwned<Plain>(owner.get());
    timer->SetName("Timer1");
    image->SetName("_Image1");
    EXPECT_EQ(owner->FindComponent("timer1"), timer);
    EXPECT_EQ(owner->FindComponent("TIMER1"), timer);
    EXPECT_EQ(owner->FindComponent("Image1"), nullptr);

    ExpectThrowMessage<EComponentError>(
        [&] { image->SetName("TIMER1"); }, "コンポーネント名 TIMER1 はすでに使われています");
    EXPECT_EQ(image->Name(), "_Image1");
    for (const char* bad : { "1Timer", "Timer 1", "タイマー", "Timer-1" }) {
        EXPECT_THROW(image->SetName(bad), EComponentError) << bad;
    }
    try {
        image->SetName("9");
    } catch (EComponentError& error) {
        EXPECT_EQ(error.Message(), "コンポーネント名に ''9'' は使えません");
    }
    // Renaming to its own name in another case, and clearing, are allowed.
    timer->SetName("TIMER1");
    EXPECT_EQ(timer->Name(), "TIMER1");
    timer->SetName("");
    EXPECT_EQ(owner->FindComponent(""), nullptr);
}

TEST(Component, LoadedEndsTheLoadingState)
{
    TComponentPtr<Plain> component = MakeComponent<Plain>();
    component->IncludeState(csLoading | csReading);
    EXPECT_TRUE(component->HasState(csLoading));
    component->ExcludeState(csReading);
    component->Loaded();
    EXPECT_FALSE(component->HasState(csLoading | csReading));
}
