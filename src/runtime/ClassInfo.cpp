#include "runtime/ClassInfo.h"

#include <unordered_map>
#include <mutex>

namespace {

struct Registry {
    std::mutex lock;
    // Hashed, not ordered: type_info's ordering mixes pointer and name comparison for
    // classes of anonymous namespaces, which is no strict order, and breaks a map.
    std::unordered_map<std::type_index, std::unique_ptr<TClassInfo>> byType;
    // Classes creatable by name, and aliases, as (name, type) in registration order.
    std::vector<std::pair<AnsiString, std::type_index>> byName;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

template<class T> const T* FindIn(const std::vector<T>& list, const AnsiString& name)
{
    for (const T& entry : list)
        if (SameText(entry.Name, name))
            return &entry;
    return nullptr;
}

}

std::optional<long long> TIdentMap::IdentToInt(const AnsiString& name) const
{
    for (const TIdentMapEntry& entry : m_entries)
        if (SameText(entry.Name, name))
            return entry.Value;
    return std::nullopt;
}

const char* TIdentMap::IntToIdent(long long value) const
{
    for (const TIdentMapEntry& entry : m_entries)
        if (entry.Value == value)
            return entry.Name;
    return nullptr;
}

int TEnumType::IndexOf(const AnsiString& name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (SameText(m_names[i], name))
            return static_cast<int>(i);
    return -1;
}

const TEnumType& BooleanType()
{
    static const TEnumType type { "False", "True" };
    return type;
}

const TClassInfo* TClassInfo::Parent() const { return m_parent ? ClassRegistry::Find(*m_parent) : nullptr; }

bool TClassInfo::InheritsFrom(const TClassInfo* other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (c == other)
            return true;
    return false;
}

bool TClassInfo::InheritsFrom(std::type_index type) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (c->m_type == type)
            return true;
    return false;
}

bool TClassInfo::IsInstance(const TPersistent& object) const
{
    const TClassInfo* own = ClassRegistry::Of(object);
    return own && own->InheritsFrom(this);
}

const TPropInfo* TClassInfo::FindProperty(const AnsiString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (const TPropInfo* p = FindIn(c->m_properties, name))
            return p;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(const AnsiString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (const TFieldInfo* f = FindIn(c->m_fields, name))
            return f;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const AnsiString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (const TMethodInfo* m = FindIn(c->m_methods, name))
            return m;
    return nullptr;
}

const TDefinedProperty* TClassInfo::FindDefined(const AnsiString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (const TDefinedProperty* d = FindIn(c->m_defined, name))
            return d;
    return nullptr;
}

const std::function<void(TPersistent&, TReader&)>* TClassInfo::FindReadState() const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (c->m_readState)
            return &c->m_readState;
    return nullptr;
}

const TClassInfo* TClassInfo::FindFieldClass(const AnsiString& className) const
{
    for (const TClassInfo* c = this; c; c = c->Parent())
        for (const TFieldInfo& field : c->m_fields) {
            const TClassInfo* type = field.FieldClass();
            if (type && SameText(type->Name(), className))
                return type;
        }
    return nullptr;
}

namespace ClassRegistry {

void Add(std::unique_ptr<TClassInfo> info)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    std::type_index type = info->Type();
    r.byType[type] = std::move(info);
}

const TClassInfo* Find(std::type_index type)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    auto it = r.byType.find(type);
    return it == r.byType.end() ? nullptr : it->second.get();
}

const TClassInfo* Of(const TPersistent& object) { return Find(typeid(object)); }

const TClassInfo* FindByName(const AnsiString& name)
{
    std::type_index found = typeid(void);
    {
        Registry& r = TheRegistry();
        std::lock_guard guard(r.lock);
        for (const auto& [registered, type] : r.byName)
            if (SameText(registered, name)) {
                found = type;
                break;
            }
    }
    return found == typeid(void) ? nullptr : Find(found);
}

void RegisterClass(std::type_index type)
{
    const TClassInfo* info = Find(type);
    if (!info)
        return;
    RegisterClassAlias(type, info->Name());
}

void RegisterClassAlias(std::type_index type, const AnsiString& alias)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (const auto& entry : r.byName)
        if (entry.second == type && SameText(entry.first, alias))
            return;
    r.byName.emplace_back(alias, type);
}

void UnregisterClass(std::type_index type)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    std::erase_if(r.byName, [&](const auto& entry) { return entry.second == type; });
}

}
