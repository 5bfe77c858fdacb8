// Components: named objects that an owner holds and destroys, the last created first,
// and that can be told when another component they refer to goes away.
#pragma once

#include "runtime/AnsiString.h"
#include "runtime/Exceptions.h"
#include "runtime/Persistent.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class TComponent;

enum class TOperation { opInsert, opRemove };

// Component state flags (a bit set).
using TComponentState = std::uint32_t;
constexpr TComponentState csLoading = 1u << 0; // created by the form-stream reader, loaded handling pending
constexpr TComponentState csReading = 1u << 1; // its own data is being read
constexpr TComponentState csWriting = 1u << 2;
constexpr TComponentState csDestroying = 1u << 3; // destruction has begun
constexpr TComponentState csDesigning = 1u << 4;  // never set in the running program
constexpr TComponentState csAncestor = 1u << 5;
constexpr TComponentState csUpdating = 1u << 6;
constexpr TComponentState csFixups = 1u << 7;           // has unresolved component references
constexpr TComponentState csFreeNotification = 1u << 8; // others asked to be told when it goes
constexpr TComponentState csInline = 1u << 9;
constexpr TComponentState csDesignInstance = 1u << 10;

// Destroys a component the way its owner does: the component is marked destroying
// (BeforeDestruction) before its destructor runs.
struct TComponentDeleter {
    void operator()(TComponent* component) const;
};

template<class T = TComponent> using TComponentPtr = std::unique_ptr<T, TComponentDeleter>;

class TComponent : public TPersistent {
public:
    SV_CLASS_NAME(TComponent)

    // The owner is known from construction on (constructors may look at it), but it
    // holds the component only once the component is handed to it: MakeOwned, or
    // InsertComponent for a component made elsewhere (the form-stream reader).
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return m_owner; }
    const AnsiString& Name() const { return m_name; }
    // Checks the name (an identifier, or empty; EComponentError 65399) and that no
    // other component of the owner has it (case-blind; EComponentError 65398).
    virtual void SetName(const AnsiString& name);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    // Owned components in creation order.
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const { return m_components.at(static_cast<std::size_t>(index)).get(); }
    int ComponentIndex() const;
    // The owned component of that name (case-blind), or none.
    TComponent* FindComponent(const AnsiString& name) const;

    // Takes ownership: the component joins the end of the list and has this owner; the
    // owner and all it owns are told (opInsert).
    void InsertComponent(TComponentPtr<> component);
    // Gives ownership back: the component leaves the list; the owner and all it owns
    // are told (opRemove). Returns none when the component is not owned here.
    TComponentPtr<> RemoveComponent(TComponent* component);
    // Destroys one owned component now (it leaves the list first).
    void DestroyComponent(TComponent* component);
    // Destroys every owned component, the last created first.
    void DestroyComponents();

    // Asks to be told (Notification with opRemove) when the component goes away; the
    // link is mutual and ends when either side is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return m_state; }
    bool HasState(TComponentState flags) const { return (m_state & flags) != 0; }
    // State changes made by the form-stream reader and by subclasses.
    void IncludeState(TComponentState flags) { m_state |= flags; }
    void ExcludeState(TComponentState flags) { m_state &= ~flags; }

    // Runs once the whole form (every resource level) has been read: clears loading.
    virtual void Loaded();
    // After the constructor has finished and the component is with its owner.
    virtual void AfterConstruction() {}
    // Before the destructor runs (the owner and TComponentPtr call it): marks the
    // component and all it owns as destroying and tells the components that asked
    // for free notification, while the component is still whole.
    virtual void BeforeDestruction();
    // Marks this component and all it owns as destroying.
    void Destroying();

    // Parenting as the form-stream reader sees it: nesting in a stream is parenting.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent*) {}
    // Who owns the children read inside this component's data (none: the root), and
    // who parents them.
    virtual TComponent* GetChildOwner() { return nullptr; }
    virtual TComponent* GetChildParent() { return this; }

protected:
    // Told when a component is inserted into or removed from this component's owner
    // chain, or when a component it asked about is destroyed. The base forgets a
    // removed component's free notification and passes the news to all it owns.
    virtual void Notification(TComponent* component, TOperation operation);
    friend class TComponentAccess;

private:
    void Detach(TComponent* component);
    void Forget(TComponent* component);
    void NotifyFreeNotifies();

    TComponent* m_owner;
    AnsiString m_name;
    int m_tag = 0;
    TComponentState m_state = 0;
    std::vector<TComponentPtr<>> m_components;
    std::vector<TComponent*> m_freeNotifies;
};

// Lets frame code deliver a notification to another component.
class TComponentAccess {
public:
    static void Notification(TComponent* target, TComponent* component, TOperation operation)
    {
        target->Notification(component, operation);
    }
};

// Creates a component and hands it to its owner, which from then on holds and
// destroys it. Returns the component.
template<class T, class... A> T* MakeOwned(TComponent* owner, A&&... args)
{
    if (!owner)
        throw EComponentError("MakeOwned without owner");
    TComponentPtr<T> made(new T(owner, std::forward<A>(args)...));
    T* component = made.get();
    owner->InsertComponent(std::move(made));
    component->AfterConstruction();
    return component;
}

// Creates a component without owner; the caller holds it.
template<class T, class... A> TComponentPtr<T> MakeComponent(A&&... args)
{
    TComponentPtr<T> made(new T(nullptr, std::forward<A>(args)...));
    made->AfterConstruction();
    return made;
}
