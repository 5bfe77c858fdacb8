// Published class information: for each class that form streams can create or fill,
// its name, its ancestor, how to construct it, and the explicit tables of its
// published properties, published component fields, published handler methods and
// defined (unpublished, self-read) properties. The form-stream reader looks them up
// by name, walking from a class to its ancestors.
//
// Registration sits beside each class, in the class's own .cpp file:
//
//     static const TClassRegistration<TTimer> timerInfo("TTimer", [](TClassBuilder<TTimer>& c) {
//         c.Parent<TComponent>();
//         c.Constructor();
//         c.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval);
//         c.Event("OnTimer", &TTimer::OnTimer);
//     });
//
// Getters and setters are anything callable as get(object) and set(object, value):
// member functions, member data pointers (for events) or lambdas.
#pragma once

#include "runtime/AnsiString.h"
#include "runtime/Persistent.h"

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeindex>
#include <vector>

class TComponent;
class TReader;
class TStream;
class TClassInfo;

enum class TTypeKind { Integer, Char, Enumeration, Float, String, Set, Class, Method, Variant, Int64 };

// Names for integer values of a type (colours, cursors, character sets).
struct TIdentMapEntry {
    long long Value;
    const char* Name;
};
class TIdentMap {
public:
    TIdentMap(std::initializer_list<TIdentMapEntry> entries) : m_entries(entries) {}
    // The value of a name (case-blind), when the map has it.
    std::optional<long long> IdentToInt(const AnsiString& name) const;
    const char* IntToIdent(long long value) const;

private:
    std::vector<TIdentMapEntry> m_entries;
};

// The names of an enumeration in ordinal order; also the element type of a set.
class TEnumType {
public:
    TEnumType(std::initializer_list<const char*> names) : m_names(names) {}
    // Ordinal of the name (case-blind), or -1.
    int IndexOf(const AnsiString& name) const;
    int Count() const { return static_cast<int>(m_names.size()); }
    const char* Name(int ordinal) const { return m_names.at(static_cast<std::size_t>(ordinal)); }

private:
    std::vector<const char*> m_names;
};

// The False/True enumeration of boolean properties.
const TEnumType& BooleanType();

// A variant value as a form stream stores it.
struct TVariant {
    enum class Kind { Null, Empty, Integer, Real, String, Boolean, Currency, Date, WideString };
    Kind kind = Kind::Empty;
    long long integer = 0; // Integer, Boolean (0/1), Currency (amount times 10 000)
    long double real = 0;  // Real (also single), Date (days)
    AnsiString string;     // String
    std::u16string wide;   // WideString
};

// One published property.
struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = TTypeKind::Integer;
    int Size = 4;                      // bytes of an ordinal or real
    const TEnumType* Enum = nullptr;   // enumeration names, or the set's elements
    const TIdentMap* Idents = nullptr; // names of an integer type
    bool Writable = false;

    std::function<long long(TPersistent&)> GetOrd;
    std::function<void(TPersistent&, long long)> SetOrd; // integer, char, enumeration, set, 64-bit
    std::function<void(TPersistent&, long double)> SetFloat;
    std::function<void(TPersistent&, const AnsiString&)> SetString;
    std::function<TPersistent*(TPersistent&)> GetObjectValue; // object held by the property
    // Sets a component reference (none clears it). False when the component is of a
    // class the property cannot hold.
    std::function<bool(TPersistent&, TPersistent*)> SetObjectValue;
    bool IsReference = false; // value is a component reference
    // Binds a handler; an empty value clears it. False when the handler has another
    // signature than the event.
    std::function<bool(TPersistent&, const std::any&)> SetMethod;
    std::function<void(TPersistent&, const TVariant&)> SetVariant;
};

// A published component field of a form: bound to the component of that name.
struct TFieldInfo {
    AnsiString Name;
    std::function<const TClassInfo*()> FieldClass;
    std::function<void()> KeepLinked; // never called
    // False when the component is not of the field's class (the field is left alone).
    std::function<bool(TPersistent& owner, TPersistent* component)> Set;
};

// A published handler method: binding it to an instance gives a handler value of the
// event type it was registered with.
struct TMethodInfo {
    AnsiString Name;
    std::function<std::any(TPersistent& instance)> Bind;
};

// A property the object reads itself (design positions, pictures' data).
struct TDefinedProperty {
    AnsiString Name;
    std::function<void(TPersistent&, TReader&)> Read;     // reads one value
    std::function<void(TPersistent&, TStream&)> ReadData; // binary: gets the bytes as a stream
};

class TClassInfo {
public:
    TClassInfo(AnsiString name, std::type_index type) : m_name(std::move(name)), m_type(type) {}

    const AnsiString& Name() const { return m_name; }
    std::type_index Type() const { return m_type; }
    const TClassInfo* Parent() const;
    bool InheritsFrom(const TClassInfo* other) const;
    bool InheritsFrom(std::type_index type) const;
    // True when the object's own class is this class or derives from it.
    bool IsInstance(const TPersistent& object) const;

    // Lookups by name (case-blind), from this class up through its ancestors.
    const TPropInfo* FindProperty(const AnsiString& name) const;
    const TFieldInfo* FindField(const AnsiString& name) const;
    const TMethodInfo* FindMethod(const AnsiString& name) const;
    const TDefinedProperty* FindDefined(const AnsiString& name) const;
    // The nearest state reader of this class and its ancestors, or none.
    const std::function<void(TPersistent&, TReader&)>* FindReadState() const;
    // The class of a published field type of this class or its ancestors, by name.
    const TClassInfo* FindFieldClass(const AnsiString& className) const;

    bool CanCreate() const { return static_cast<bool>(m_create); }
    // A new instance with the owner (a component) or none; the caller takes it over
    // at once (the reader holds a component in a component pointer).
    TPersistent* Create(TComponent* owner) const { return m_create(owner); }

    // Filled by the registration.
    std::optional<std::type_index> m_parent;
    std::function<TPersistent*(TComponent*)> m_create;
    std::vector<TPropInfo> m_properties;
    std::vector<TFieldInfo> m_fields;
    std::vector<TMethodInfo> m_methods;
    std::vector<TDefinedProperty> m_defined;
    // How an instance reads its own state from a stream (its data by default).
    std::function<void(TPersistent&, TReader&)> m_readState;

private:
    AnsiString m_name;
    std::type_index m_type;
};

namespace ClassRegistry {
// Records a class's information (replacing an earlier record of the same type).
void Add(std::unique_ptr<TClassInfo> info);
// Information of a class by its C++ type, or none.
const TClassInfo* Find(std::type_index type);
// Information of an object's own class; none when its class was never registered.
const TClassInfo* Of(const TPersistent& object);
// A class registered for creation by name (RegisterClass), or none.
const TClassInfo* FindByName(const AnsiString& name);
// Makes a registered class creatable by name from any form stream.
void RegisterClass(std::type_index type);
void RegisterClassAlias(std::type_index type, const AnsiString& alias);
void UnregisterClass(std::type_index type);
}

template<class T> const TClassInfo* ClassInfoOf() { return ClassRegistry::Find(typeid(T)); }

// Names the class's constructor, so that the linker keeps the class's own file, and
// with it the class's registration, in every program that can meet the class in a
// stream (registrations are static objects beside the classes).
template<class T> std::function<void()> KeepClassLinked()
{
    if constexpr (std::is_constructible_v<T, TComponent*>)
        return [] { std::unique_ptr<T>(new T(nullptr)); };
    else
        return nullptr;
}

template<class T> void RegisterClass()
{
    static const std::function<void()> keep = KeepClassLinked<T>();
    ClassRegistry::RegisterClass(typeid(T));
}

// Makes an event value of type E that calls the member function on the instance.
// The default suits std::function handlers.
template<class E> struct TEventMaker {
    template<class C, class M> static E Make(C* instance, M method)
    {
        return E(
            [instance, method](auto&&... args) { return (instance->*method)(std::forward<decltype(args)>(args)...); });
    }
};

// Builds one class's tables; see the top of this file.
template<class C> class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : m_info(info) {}

    template<class P> TClassBuilder& Parent()
    {
        m_info.m_parent = std::type_index(typeid(P));
        return *this;
    }
    // The class can be created by the reader: C(owner) for components, C() otherwise.
    TClassBuilder& Constructor()
    {
        if constexpr (std::is_constructible_v<C, TComponent*>)
            m_info.m_create = [](TComponent* owner) -> TPersistent* { return new C(owner); };
        else
            m_info.m_create = [](TComponent*) -> TPersistent* { return new C(); };
        return *this;
    }
    template<class G, class S = std::nullptr_t>
    TClassBuilder& Integer(const char* name, G get, S set = nullptr, const TIdentMap* idents = nullptr, int size = 4)
    {
        TPropInfo& p = Ordinal(name, TTypeKind::Integer, size, get, set);
        p.Idents = idents;
        return *this;
    }
    template<class G, class S = std::nullptr_t> TClassBuilder& Char(const char* name, G get, S set = nullptr)
    {
        Ordinal(name, TTypeKind::Char, 1, get, set);
        return *this;
    }
    template<class G, class S = std::nullptr_t>
    TClassBuilder& Enum(const char* name, const TEnumType& type, G get, S set = nullptr)
    {
        Ordinal(name, TTypeKind::Enumeration, 1, get, set).Enum = &type;
        return *this;
    }
    template<class G, class S = std::nullptr_t> TClassBuilder& Boolean(const char* name, G get, S set = nullptr)
    {
        return Enum(name, BooleanType(), get, set);
    }
    // A set of the enumeration's elements, stored as bits (element ordinal = bit).
    template<class G, class S = std::nullptr_t>
    TClassBuilder& Set(const char* name, const TEnumType& elements, G get, S set = nullptr)
    {
        Ordinal(name, TTypeKind::Set, 4, get, set).Enum = &elements;
        return *this;
    }
    template<class G, class S = std::nullptr_t> TClassBuilder& Int64(const char* name, G get, S set = nullptr)
    {
        Ordinal(name, TTypeKind::Int64, 8, get, set);
        return *this;
    }
    template<class S> TClassBuilder& Float(const char* name, S set, int size = 10)
    {
        TPropInfo& p = Add(name, TTypeKind::Float);
        p.Size = size;
        p.Writable = true;
        p.SetFloat = [set](TPersistent& o, long double v) { std::invoke(set, static_cast<C&>(o), v); };
        return *this;
    }
    template<class S> TClassBuilder& String(const char* name, S set)
    {
        TPropInfo& p = Add(name, TTypeKind::String);
        p.Writable = true;
        p.SetString = [set](TPersistent& o, const AnsiString& v) { std::invoke(set, static_cast<C&>(o), v); };
        return *this;
    }
    template<class S> TClassBuilder& Variant(const char* name, S set)
    {
        TPropInfo& p = Add(name, TTypeKind::Variant);
        p.Writable = true;
        p.SetVariant = [set](TPersistent& o, const TVariant& v) { std::invoke(set, static_cast<C&>(o), v); };
        return *this;
    }
    // A property holding an object of its own (a font, a picture, an icon): dotted
    // paths walk into it; the stream may also give a reference to a component of that
    // class, or nil, when there is a setter.
    template<class T, class G, class S = std::nullptr_t> TClassBuilder& Object(const char* name, G get, S set = nullptr)
    {
        TPropInfo& p = Add(name, TTypeKind::Class);
        p.GetObjectValue = [get](TPersistent& o) -> TPersistent* { return std::invoke(get, static_cast<C&>(o)); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.Writable = true;
            p.SetObjectValue = [set](TPersistent& o, TPersistent* v) {
                T* typed = dynamic_cast<T*>(v);
                if (v && !typed)
                    return false;
                std::invoke(set, static_cast<C&>(o), typed);
                return true;
            };
        }
        return *this;
    }
    // A reference to another component, resolved by name after the form is read.
    template<class T, class G, class S> TClassBuilder& Reference(const char* name, G get, S set)
    {
        Object<T>(name, get, set);
        m_info.m_properties.back().IsReference = true;
        return *this;
    }
    // An event property: set takes the handler value (an E).
    template<class E, class S> TClassBuilder& Event(const char* name, S set)
    {
        TPropInfo& p = Add(name, TTypeKind::Method);
        p.Writable = true;
        p.SetMethod = [set](TPersistent& o, const std::any& handler) {
            if (!handler.has_value()) {
                std::invoke(set, static_cast<C&>(o), E {});
                return true;
            }
            const E* typed = std::any_cast<E>(&handler);
            if (!typed)
                return false;
            std::invoke(set, static_cast<C&>(o), *typed);
            return true;
        };
        return *this;
    }
    // An event property that is a public data member of the class.
    template<class E, class B> TClassBuilder& Event(const char* name, E B::*member)
    {
        return Event<E>(name, [member](C& o, const E& handler) { o.*member = handler; });
    }

    // A published component field (a form's Timer1, Image1, ...).
    template<class T, class B> TClassBuilder& Field(const char* name, T* B::*member)
    {
        m_info.m_fields.push_back({ name, [] { return ClassInfoOf<T>(); }, KeepClassLinked<T>(),
            [member](TPersistent& owner, TPersistent* component) {
                T* typed = dynamic_cast<T*>(component);
                if (component && !typed)
                    return false;
                static_cast<C&>(owner).*member = typed;
                return true;
            } });
        return *this;
    }
    // A published handler method, giving handlers of event type E.
    template<class E, class M> TClassBuilder& Method(const char* name, M method)
    {
        m_info.m_methods.push_back({ name, [method](TPersistent& instance) -> std::any {
                                        C* self = dynamic_cast<C*>(&instance);
                                        if (!self)
                                            return {};
                                        return std::any(TEventMaker<E>::template Make<C>(self, method));
                                    } });
        return *this;
    }

    // A defined property read by the object itself from the reader.
    template<class R> TClassBuilder& Defined(const char* name, R read)
    {
        m_info.m_defined.push_back({ name,
            [read](TPersistent& o, TReader& reader) { std::invoke(read, static_cast<C&>(o), reader); }, nullptr });
        return *this;
    }
    // A defined binary property: the bytes come as a stream.
    template<class R> TClassBuilder& DefinedBinary(const char* name, R read)
    {
        m_info.m_defined.push_back(
            { name, nullptr, [read](TPersistent& o, TStream& data) { std::invoke(read, static_cast<C&>(o), data); } });
        return *this;
    }

    // How the class reads its own state (a control takes its parent first, a form
    // scales after reading); the function is expected to call reader.ReadData.
    template<class R> TClassBuilder& ReadState(R read)
    {
        m_info.m_readState = [read](TPersistent& o, TReader& reader) { std::invoke(read, static_cast<C&>(o), reader); };
        return *this;
    }

private:
    TPropInfo& Add(const char* name, TTypeKind kind)
    {
        m_info.m_properties.push_back({});
        TPropInfo& p = m_info.m_properties.back();
        p.Name = name;
        p.Kind = kind;
        return p;
    }
    template<class G, class S> TPropInfo& Ordinal(const char* name, TTypeKind kind, int size, G get, S set)
    {
        TPropInfo& p = Add(name, kind);
        p.Size = size;
        if constexpr (!std::is_null_pointer_v<G>)
            p.GetOrd = [get](TPersistent& o) { return static_cast<long long>(std::invoke(get, static_cast<C&>(o))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.Writable = true;
            p.SetOrd = [set](TPersistent& o, long long v) { CallSet(set, static_cast<C&>(o), v); };
        }
        return p;
    }
    // Calls the setter with the value converted to the setter's parameter type.
    template<class S> static void CallSet(S set, C& object, long long v)
    {
        if constexpr (std::is_member_function_pointer_v<S>)
            CallMember(set, object, v);
        else
            std::invoke(set, object, v);
    }
    template<class R, class B, class A> static void CallMember(R (B::*set)(A), C& object, long long v)
    {
        (object.*set)(static_cast<std::remove_cvref_t<A>>(v));
    }

    TClassInfo& m_info;
};

// Registers a class's information when the program starts (a static object beside
// the class). Name is the class name as form streams spell it.
template<class C> class TClassRegistration {
public:
    template<class F> TClassRegistration(const char* name, F fill)
    {
        auto info = std::make_unique<TClassInfo>(name, typeid(C));
        TClassBuilder<C> builder(*info);
        fill(builder);
        ClassRegistry::Add(std::move(info));
    }
};
