#include "graphics/GraphicsObject.h"

TGraphicsObject::TGraphicsObject(TResourceManager& manager, const void* defaults) : m_manager(manager)
{
    m_resource = m_manager.AllocResource(defaults);
}

TGraphicsObject::~TGraphicsObject() { m_manager.FreeResource(m_resource); }

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGraphicsObject::Lock()
{
    if (m_ownerLock)
        EnterCriticalSection(m_ownerLock);
}

void TGraphicsObject::Unlock()
{
    if (m_ownerLock)
        LeaveCriticalSection(m_ownerLock);
}

void TGraphicsObject::ShareResource(const TGraphicsObject& source)
{
    Lock();
    ScopeExit unlock([this] { Unlock(); });
    m_manager.AssignResource(this, source.m_resource);
}
