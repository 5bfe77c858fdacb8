// Base of fonts, pens and brushes: an object that refers to a shared attribute record
// of its kind and reports its changes.
#pragma once

#include "graphics/ResourceManager.h"
#include "runtime/Events.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Persistent.h"

class TGraphicsObject : public TPersistent {
public:
    SV_CLASS_NAME(TGraphicsObject)
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    ~TGraphicsObject() override;

    // Called with this object after every change of its attributes.
    TNotifyEvent OnChange;

    // The lock taken while attributes change: the owning canvas's critical section,
    // or none.
    CRITICAL_SECTION* OwnerCriticalSection() const { return m_ownerLock; }
    void SetOwnerCriticalSection(CRITICAL_SECTION* lock) { m_ownerLock = lock; }

    // True when the shared record already has its system handle.
    bool HandleAllocated() const { return m_resource && m_resource->Handle; }

protected:
    TGraphicsObject(TResourceManager& manager, const void* defaults);

    virtual void Changed();
    void Lock();
    void Unlock();

    TResourceManager& Manager() const { return m_manager; }
    TResource* Resource() const { return m_resource; }
    // Builds new attributes from the current ones with the handle field cleared,
    // lets the caller change one, and moves to the record for them.
    template<typename Data, typename Change> void ChangeData(Change change)
    {
        Data data = m_resource->DataAs<Data>();
        data.Handle = nullptr;
        change(data);
        Lock();
        ScopeExit unlock([this] { Unlock(); });
        m_manager.ChangeResource(this, &data);
    }
    // Shares the source's record (objects of the same kind).
    void ShareResource(const TGraphicsObject& source);

private:
    friend class TResourceManager;
    TResourceManager& m_manager;
    TResource* m_resource = nullptr;
    CRITICAL_SECTION* m_ownerLock = nullptr;
};
