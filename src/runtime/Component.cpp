#include "runtime/Component.h"

#include "runtime/Exceptions.h"

#include <algorithm>

namespace {

bool IsIdentifier(const AnsiString& name)
{
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (name.empty() || !alpha(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

}

void TComponentDeleter::operator()(TComponent* component) const
{
    if (!component)
        return;
    component->BeforeDestruction();
    delete component;
}

TComponent::TComponent(TComponent* owner) : m_owner(owner) {}

TComponent::~TComponent()
{
    Destroying();
    NotifyFreeNotifies();
    DestroyComponents();
    // Destroyed while still held (not through its owner): leave the owner's list
    // without the owner destroying it a second time.
    if (m_owner) {
        TComponent* owner = m_owner;
        owner->Detach(this);
    }
}

void TComponent::SetName(const AnsiString& name)
{
    if (name == m_name)
        return;
    if (!name.empty() && !IsIdentifier(name))
        throw EComponentError(Exception::ResText(TextId::InvalidComponentName, name));
    if (!name.empty() && m_owner) {
        TComponent* other = m_owner->FindComponent(name);
        if (other && other != this)
            throw EComponentError(Exception::ResText(TextId::DuplicateComponentName, name));
    }
    m_name = name;
}

int TComponent::ComponentIndex() const
{
    if (!m_owner)
        return -1;
    const auto& list = m_owner->m_components;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(const AnsiString& name) const
{
    if (name.empty())
        return nullptr;
    for (const auto& component : m_components)
        if (SameText(component->m_name, name))
            return component.get();
    return nullptr;
}

void TComponent::InsertComponent(TComponentPtr<> component)
{
    if (!component)
        return;
    TComponent* raw = component.get();
    raw->m_owner = this;
    m_components.push_back(std::move(component));
    Notification(raw, TOperation::opInsert);
}

TComponentPtr<> TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find_if(
        m_components.begin(), m_components.end(), [&](const TComponentPtr<>& c) { return c.get() == component; });
    if (it == m_components.end())
        return nullptr;
    TComponentPtr<> released = std::move(*it);
    m_components.erase(it);
    component->m_owner = nullptr;
    Notification(component, TOperation::opRemove);
    return released;
}

void TComponent::DestroyComponent(TComponent* component)
{
    TComponentPtr<> released = RemoveComponent(component);
    released.reset();
}

void TComponent::DestroyComponents()
{
    while (!m_components.empty()) {
        TComponent* last = m_components.back().get();
        DestroyComponent(last);
    }
}

void TComponent::Detach(TComponent* component)
{
    auto it = std::find_if(
        m_components.begin(), m_components.end(), [&](const TComponentPtr<>& c) { return c.get() == component; });
    if (it == m_components.end())
        return;
    it->release();
    m_components.erase(it);
    component->m_owner = nullptr;
    Notification(component, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), component) == m_freeNotifies.end())
        m_freeNotifies.push_back(component);
    if (std::find(component->m_freeNotifies.begin(), component->m_freeNotifies.end(), this)
        == component->m_freeNotifies.end())
        component->m_freeNotifies.push_back(this);
    m_state |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    Forget(component);
    component->Forget(this);
}

void TComponent::Forget(TComponent* component)
{
    m_freeNotifies.erase(std::remove(m_freeNotifies.begin(), m_freeNotifies.end(), component), m_freeNotifies.end());
    if (m_freeNotifies.empty())
        m_state &= ~csFreeNotification;
}

void TComponent::Loaded() { m_state &= ~csLoading; }

void TComponent::BeforeDestruction()
{
    Destroying();
    NotifyFreeNotifies();
}

void TComponent::NotifyFreeNotifies()
{
    // Whoever asked about this component hears that it goes.
    while (!m_freeNotifies.empty()) {
        TComponent* other = m_freeNotifies.back();
        m_freeNotifies.pop_back();
        other->Forget(this);
        other->Notification(this, TOperation::opRemove);
    }
    m_state &= ~csFreeNotification;
}

void TComponent::Destroying()
{
    if (m_state & csDestroying)
        return;
    m_state |= csDestroying;
    for (const auto& component : m_components)
        component->Destroying();
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component)
        RemoveFreeNotification(component);
    // Index loop: a handler may change the list.
    for (std::size_t i = 0; i < m_components.size(); ++i)
        m_components[i]->Notification(component, operation);
}
