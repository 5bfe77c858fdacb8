#include "frame/Reader.h"

#include "frame/Collection.h"
#include "runtime/Component.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Nesting deeper than this (lists in lists, components in components) is taken for a
// damaged stream: reading it would only exhaust the stack.
constexpr int MaxNesting = 200;

[[noreturn]] void ReadError(TextId id) { throw EReadError(Exception::ResText(id)); }

// One level deeper in the stream's nesting for as long as the returned guard lives;
// a stream nested deeper than MaxNesting is an error.
auto EnterLevel(int& depth)
{
    if (depth + 1 > MaxNesting)
        ReadError(TextId::StreamReadError);
    ++depth;
    return ScopeExit([&depth] { --depth; });
}

// Holds a component made by the reader until its owner takes it.
TComponentPtr<> CreateComponent(const TClassInfo& cls, TComponent* owner, const AnsiString& className)
{
    std::unique_ptr<TPersistent> made(cls.Create(owner));
    TComponent* component = dynamic_cast<TComponent*>(made.get());
    if (!component)
        throw EClassNotFound(Exception::ResText(TextId::ClassNotFound, className));
    made.release();
    return TComponentPtr<>(component);
}

// ---- process-wide state ----

std::recursive_mutex& NameSpaceMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

struct GlobalFinders {
    std::mutex lock;
    std::vector<std::pair<int, TFindGlobalComponent>> finders;
    int nextId = 1;
};
GlobalFinders& Finders()
{
    static GlobalFinders finders;
    return finders;
}

struct GlobalFixup {
    TPersistent* instance;
    const TPropInfo* prop;
    AnsiString rootName; // the other form
    AnsiString name;     // the path inside it
    TComponent* root;    // the form the reference was read in
};
struct GlobalFixups {
    std::mutex lock;
    std::vector<GlobalFixup> list;
};
GlobalFixups& Fixups()
{
    static GlobalFixups fixups;
    return fixups;
}

thread_local std::vector<std::unique_ptr<std::vector<TComponent*>>> t_loadingScopes;

// The persistent base and the component base as the reader sees them: a component's
// design position (Left, Top) is a defined property without run-time effect.
const TClassRegistration<TPersistent> persistentInfo("TPersistent", [](TClassBuilder<TPersistent>&) {});
const TClassRegistration<TComponent> componentInfo("TComponent", [](TClassBuilder<TComponent>& c) {
    c.Parent<TPersistent>();
    c.Integer("Tag", &TComponent::Tag, &TComponent::SetTag);
    c.Defined("Left", [](TComponent&, TReader& reader) { reader.ReadInteger(); });
    c.Defined("Top", [](TComponent&, TReader& reader) { reader.ReadInteger(); });
});

}

// ---- buffer ----

TReader::TReader(TStream& stream) : TFiler(stream) {}

TReader::~TReader()
{
    if (m_bufPos < m_bufEnd)
        m_stream.Seek(m_bufPos - m_bufEnd, SeekOrigin::Current);
}

void TReader::ReadBuffer()
{
    m_bufEnd = m_stream.Read(m_buffer.data(), BufferSize);
    m_bufPos = 0;
    if (m_bufEnd <= 0) {
        m_bufEnd = 0;
        ReadError(TextId::StreamReadError);
    }
}

void TReader::Read(void* buffer, std::int32_t count)
{
    char* out = static_cast<char*>(buffer);
    while (count > 0) {
        if (m_bufPos == m_bufEnd)
            ReadBuffer();
        std::int32_t n = std::min(count, m_bufEnd - m_bufPos);
        std::memcpy(out, m_buffer.data() + m_bufPos, static_cast<std::size_t>(n));
        m_bufPos += n;
        out += n;
        count -= n;
    }
}

std::int32_t TReader::Position() { return m_stream.Position() - (m_bufEnd - m_bufPos); }

// ---- values ----

TValueType TReader::ReadValue()
{
    std::uint8_t code = 0;
    Read(&code, 1);
    return static_cast<TValueType>(code);
}

TValueType TReader::NextValue()
{
    TValueType type = ReadValue();
    --m_bufPos; // the byte just read is still in the buffer
    return type;
}

bool TReader::EndOfList() { return NextValue() == TValueType::fvEnd; }

void TReader::ReadListBegin()
{
    if (ReadValue() != TValueType::fvList)
        PropValueError();
}

void TReader::ReadListEnd()
{
    if (ReadValue() != TValueType::fvEnd)
        PropValueError();
}

void TReader::PropValueError() { ReadError(TextId::InvalidPropertyValue); }

void TReader::PropertyNotFound() { ReadError(TextId::UnknownProperty); }

AnsiString TReader::ReadStr()
{
    std::uint8_t length = 0;
    Read(&length, 1);
    AnsiString text(length, '\0');
    Read(text.data(), length);
    return text;
}

long long TReader::ReadInteger()
{
    switch (ReadValue()) {
    case TValueType::fvInt8: {
        std::int8_t v;
        Read(&v, 1);
        return v;
    }
    case TValueType::fvInt16: {
        std::int16_t v;
        Read(&v, 2);
        return v;
    }
    case TValueType::fvInt32: {
        std::int32_t v;
        Read(&v, 4);
        return v;
    }
    default: PropValueError();
    }
}

long long TReader::ReadInt64()
{
    if (NextValue() == TValueType::fvInt64) {
        ReadValue();
        std::int64_t v;
        Read(&v, 8);
        return v;
    }
    return ReadInteger();
}

bool TReader::ReadBoolean() { return ReadValue() == TValueType::fvTrue; }

char TReader::ReadChar()
{
    TValueType type = ReadValue();
    if (type == TValueType::fvString) {
        AnsiString text = ReadStr();
        if (text.size() == 1)
            return text[0];
        PropValueError();
    }
    --m_bufPos;
    SkipValue();
    PropValueError();
}

long double TReader::ReadFloat()
{
    if (NextValue() == TValueType::fvExtended) {
        ReadValue();
        static_assert(sizeof(long double) >= 10, "the stored real is the 10-byte x87 format");
        long double v = 0;
        Read(&v, 10);
        return v;
    }
    return static_cast<long double>(ReadInteger());
}

float TReader::ReadSingle()
{
    if (NextValue() == TValueType::fvSingle) {
        ReadValue();
        float v;
        Read(&v, 4);
        return v;
    }
    return static_cast<float>(ReadInteger());
}

long long TReader::ReadCurrency()
{
    if (NextValue() == TValueType::fvCurrency) {
        ReadValue();
        std::int64_t v;
        Read(&v, 8);
        return v;
    }
    return ReadInteger() * 10000;
}

double TReader::ReadDate()
{
    if (NextValue() == TValueType::fvDate) {
        ReadValue();
        double v;
        Read(&v, 8);
        return v;
    }
    return static_cast<double>(ReadInteger());
}

std::vector<char> TReader::ReadBinaryBody()
{
    std::uint32_t length = 0;
    Read(&length, 4);
    std::int32_t remaining = m_stream.Size() - Position();
    if (remaining < 0 || length > static_cast<std::uint32_t>(remaining))
        ReadError(TextId::StreamReadError);
    std::vector<char> bytes(length);
    Read(bytes.data(), static_cast<std::int32_t>(length));
    return bytes;
}

AnsiString TReader::ReadString()
{
    switch (ReadValue()) {
    case TValueType::fvString: return ReadStr();
    case TValueType::fvLString: {
        std::vector<char> bytes = ReadBinaryBody();
        return AnsiString(bytes.begin(), bytes.end());
    }
    default: PropValueError();
    }
}

std::u16string TReader::ReadWideString()
{
    if (NextValue() != TValueType::fvWString) {
        AnsiString text = ReadString();
        std::u16string wide(text.size(), u'\0');
        int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
            reinterpret_cast<wchar_t*>(wide.data()), static_cast<int>(wide.size()));
        wide.resize(static_cast<std::size_t>(std::max(n, 0)));
        return wide;
    }
    ReadValue();
    std::uint32_t count = 0;
    Read(&count, 4);
    std::int32_t remaining = m_stream.Size() - Position();
    if (remaining < 0 || count > static_cast<std::uint32_t>(remaining) / 2)
        ReadError(TextId::StreamReadError);
    std::u16string wide(count, u'\0');
    Read(wide.data(), static_cast<std::int32_t>(count * 2));
    return wide;
}

AnsiString TReader::ReadIdent()
{
    switch (ReadValue()) {
    case TValueType::fvIdent: return ReadStr();
    case TValueType::fvFalse: return "False";
    case TValueType::fvTrue: return "True";
    case TValueType::fvNil: return "nil";
    case TValueType::fvEnd: return "Null";
    default: PropValueError();
    }
}

std::uint32_t TReader::ReadSet(const TEnumType& elements)
{
    if (ReadValue() != TValueType::fvSet)
        PropValueError();
    std::uint32_t bits = 0;
    for (;;) {
        AnsiString name = ReadStr();
        if (name.empty())
            return bits;
        int ordinal = elements.IndexOf(name);
        if (ordinal < 0) {
            SkipSetBody();
            PropValueError();
        }
        if (ordinal <= 31)
            bits |= 1u << ordinal;
    }
}

TVariant TReader::ReadVariant()
{
    TVariant v;
    switch (NextValue()) {
    case TValueType::fvEnd:
        ReadValue();
        v.kind = TVariant::Kind::Null;
        break;
    case TValueType::fvNil:
        ReadValue();
        v.kind = TVariant::Kind::Empty;
        break;
    case TValueType::fvInt8:
    case TValueType::fvInt16:
    case TValueType::fvInt32:
    case TValueType::fvInt64:
        v.kind = TVariant::Kind::Integer;
        v.integer = ReadInt64();
        break;
    case TValueType::fvExtended:
    case TValueType::fvSingle:
        v.kind = TVariant::Kind::Real;
        v.real = NextValue() == TValueType::fvSingle ? ReadSingle() : ReadFloat();
        break;
    case TValueType::fvString:
    case TValueType::fvLString:
        v.kind = TVariant::Kind::String;
        v.string = ReadString();
        break;
    case TValueType::fvFalse:
    case TValueType::fvTrue:
        v.kind = TVariant::Kind::Boolean;
        v.integer = ReadValue() == TValueType::fvTrue;
        break;
    case TValueType::fvCurrency:
        v.kind = TVariant::Kind::Currency;
        v.integer = ReadCurrency();
        break;
    case TValueType::fvDate:
        v.kind = TVariant::Kind::Date;
        v.real = ReadDate();
        break;
    case TValueType::fvWString:
        v.kind = TVariant::Kind::WideString;
        v.wide = ReadWideString();
        break;
    default: ReadValue(); ReadError(TextId::StreamReadError);
    }
    return v;
}

void TReader::ReadPrefix(int& flags, int& childPosition)
{
    flags = 0;
    childPosition = 0;
    std::uint8_t next = static_cast<std::uint8_t>(NextValue());
    if ((next & 0xF0) != 0xF0)
        return;
    ReadValue();
    flags = next & 0x0F;
    if (flags & ffChildPos)
        childPosition = static_cast<int>(ReadInteger());
}

// ---- skipping ----

void TReader::SkipBytes(std::uint32_t count)
{
    char scratch[256];
    while (count > 0) {
        std::uint32_t n = std::min<std::uint32_t>(count, sizeof scratch);
        Read(scratch, static_cast<std::int32_t>(n));
        count -= n;
    }
}

void TReader::SkipSetBody()
{
    while (!ReadStr().empty()) {}
}

void TReader::SkipValue()
{
    auto level = EnterLevel(m_depth);
    std::uint32_t length = 0;
    switch (ReadValue()) {
    case TValueType::fvEnd:
    case TValueType::fvFalse:
    case TValueType::fvTrue:
    case TValueType::fvNil: break;
    case TValueType::fvList:
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        break;
    case TValueType::fvInt8: SkipBytes(1); break;
    case TValueType::fvInt16: SkipBytes(2); break;
    case TValueType::fvInt32:
    case TValueType::fvSingle: SkipBytes(4); break;
    case TValueType::fvExtended: SkipBytes(10); break;
    case TValueType::fvCurrency:
    case TValueType::fvDate:
    case TValueType::fvInt64: SkipBytes(8); break;
    case TValueType::fvString:
    case TValueType::fvIdent: ReadStr(); break;
    case TValueType::fvBinary:
    case TValueType::fvLString:
        Read(&length, 4);
        SkipBytes(length);
        break;
    case TValueType::fvWString:
        Read(&length, 4);
        SkipBytes(length);
        SkipBytes(length);
        break;
    case TValueType::fvSet: SkipSetBody(); break;
    case TValueType::fvCollection:
        while (!EndOfList()) {
            TValueType next = NextValue();
            if (next == TValueType::fvInt8 || next == TValueType::fvInt16 || next == TValueType::fvInt32)
                SkipValue();
            SkipBytes(1);
            while (!EndOfList())
                SkipProperty();
            ReadListEnd();
        }
        ReadListEnd();
        break;
    default: PropValueError();
    }
}

void TReader::SkipProperty()
{
    ReadStr();
    SkipValue();
}

void TReader::SkipComponent(bool skipHeader)
{
    auto level = EnterLevel(m_depth);
    if (skipHeader) {
        int flags, position;
        ReadPrefix(flags, position);
        ReadStr();
        ReadStr();
    }
    while (!EndOfList())
        SkipProperty();
    ReadListEnd();
    while (!EndOfList())
        SkipComponent(true);
    ReadListEnd();
}

// ---- the root and components ----

void TReader::ReadSignature()
{
    char signature[4] = {};
    Read(signature, 4);
    if (std::memcmp(signature, "TPF0", 4) != 0)
        ReadError(TextId::StreamFormatInvalid);
}

TComponent* TReader::ReadRootComponent(TComponent& root) { return ReadRoot(&root, nullptr); }

TComponentPtr<> TReader::ReadNewRootComponent()
{
    TComponentPtr<> created;
    ReadRoot(nullptr, &created);
    return created;
}

TComponent* TReader::ReadRoot(TComponent* root, TComponentPtr<>* holder)
{
    ReadSignature();
    TNameSpaceLock lock;
    TComponentPtr<> created;
    ScopeExit forget([&] {
        RemoveFixupReferences(root, {});
        m_ownLoaded.clear();
    });
    int flags, position;
    ReadPrefix(flags, position);
    if (!root) {
        AnsiString className = ReadStr();
        const TClassInfo* cls = ClassRegistry::FindByName(className);
        if (!cls || !cls->CanCreate() || !cls->InheritsFrom(typeid(TComponent)))
            throw EClassNotFound(Exception::ResText(TextId::ClassNotFound, className));
        created = CreateComponent(*cls, nullptr, className);
        created->AfterConstruction();
        root = created.get();
        root->IncludeState(csLoading);
        SetComponentName(*root, ReadStr());
    } else {
        ReadStr(); // the class name is not checked against the instance
        root->IncludeState(csLoading);
        AnsiString stored = ReadStr();
        AnsiString name = stored;
        for (int i = 1;; ++i) {
            TComponent* existing = FindGlobalComponent(name);
            if (!existing || existing == root)
                break;
            name = Format("%s_%d", stored, i);
        }
        SetComponentName(*root, name);
    }
    m_root = root;
    m_lookupRoot = root;
    m_owner = root;
    m_loaded = GlobalLoadingActive() ? t_loadingScopes.back().get() : &m_ownLoaded;
    if (std::find(m_loaded->begin(), m_loaded->end(), root) == m_loaded->end())
        m_loaded->push_back(root);
    root->IncludeState(csReading);
    ReadComponentState(*root);
    root->ExcludeState(csReading);
    if (m_loaded == &m_ownLoaded) {
        std::vector<TComponent*> loaded;
        loaded.swap(m_ownLoaded);
        for (TComponent* component : loaded)
            component->Loaded();
    }
    GlobalFixupReferences();
    forget.Dismiss();
    if (holder)
        *holder = std::move(created);
    return root;
}

void TReader::ReadComponentState(TComponent& component)
{
    const TClassInfo* info = ClassRegistry::Of(component);
    const auto* readState = info ? info->FindReadState() : nullptr;
    if (readState)
        (*readState)(component, *this);
    else
        ReadData(component);
}

const TClassInfo* TReader::FindComponentClass(const AnsiString& className)
{
    const TClassInfo* cls = nullptr;
    if (m_root)
        if (const TClassInfo* rootInfo = ClassRegistry::Of(*m_root))
            cls = rootInfo->FindFieldClass(className);
    if (!cls && m_lookupRoot && m_lookupRoot != m_root)
        if (const TClassInfo* lookupInfo = ClassRegistry::Of(*m_lookupRoot))
            cls = lookupInfo->FindFieldClass(className);
    if (!cls)
        cls = ClassRegistry::FindByName(className);
    if (!cls || !cls->CanCreate() || !cls->InheritsFrom(typeid(TComponent)))
        throw EClassNotFound(Exception::ResText(TextId::ClassNotFound, className));
    return cls;
}

void TReader::SetComponentName(TComponent& component, const AnsiString& name)
{
    AnsiString old = component.Name();
    component.SetName(name);
    // The owner's published field of the old name lets go; the one of the new name
    // (if the owner's class has it) now holds the component.
    TComponent* owner = component.Owner();
    const TClassInfo* ownerInfo = owner ? ClassRegistry::Of(*owner) : nullptr;
    if (!ownerInfo)
        return;
    if (!old.empty())
        if (const TFieldInfo* field = ownerInfo->FindField(old))
            field->Set(*owner, nullptr);
    if (!name.empty())
        if (const TFieldInfo* field = ownerInfo->FindField(name))
            field->Set(*owner, &component);
}

TComponent* TReader::ReadComponent(TComponent* component)
{
    auto level = EnterLevel(m_depth);
    int flags, position;
    ReadPrefix(flags, position);
    AnsiString className = ReadStr();
    AnsiString name = ReadStr();

    // Reading the component may move the parent and the lookup root; they are the
    // caller's again afterwards.
    AutoReset<TComponent*> restoreParent(m_parent, m_parent);
    AutoReset<TComponent*> restoreLookupRoot(m_lookupRoot, m_lookupRoot);

    TComponent* result = component;
    bool createdHere = false;
    if (!result) {
        if (flags & ffInherited) {
            result = m_lookupRoot ? m_lookupRoot->FindComponent(name) : nullptr;
            if (!result)
                throw EReadError(Exception::ResText(TextId::AncestorNotFound, name));
            m_parent = result->GetParentComponent();
            if (!m_parent)
                m_parent = m_root;
        } else {
            const TClassInfo* cls = FindComponentClass(className);
            if (!m_owner)
                ReadError(TextId::StreamReadError); // components are read only inside a root
            TComponentPtr<> made = CreateComponent(*cls, m_owner, className);
            result = made.get();
            if (flags & ffInline)
                result->IncludeState(csLoading | csInline);
            m_owner->InsertComponent(std::move(made));
            createdHere = true;
            ScopeExit destroy([this, result] { m_owner->DestroyComponent(result); });
            result->AfterConstruction();
            destroy.Dismiss();
        }
    }
    // A component this call made goes again when reading it fails, and so does every
    // reference to it.
    ScopeExit forget([&] {
        if (createdHere) {
            std::erase(*m_loaded, result);
            if (m_fixups)
                std::erase_if(*m_fixups, [&](const Fixup& f) { return f.instance == result; });
            if (TComponent* owner = result->Owner())
                owner->DestroyComponent(result);
        }
    });
    result->IncludeState(csLoading);
    if (!(flags & ffInherited)) {
        result->SetParentComponent(m_parent);
        SetComponentName(*result, name);
    }
    if (flags & ffInline)
        m_lookupRoot = result;
    result->IncludeState(csReading);
    ReadComponentState(*result);
    result->ExcludeState(csReading);
    if (!(flags & (ffInherited | ffInline)) || std::find(m_loaded->begin(), m_loaded->end(), result) == m_loaded->end())
        m_loaded->push_back(result);
    forget.Dismiss();
    return result;
}

void TReader::ReadData(TComponent& instance)
{
    if (m_fixups) {
        ReadDataInner(instance);
        return;
    }
    m_fixups = std::make_unique<std::vector<Fixup>>();
    ScopeExit dropFixups([this] { m_fixups.reset(); });
    ReadDataInner(instance);
    DoFixupReferences();
}

void TReader::ReadDataInner(TComponent& instance)
{
    while (!EndOfList())
        ReadProperty(instance);
    ReadListEnd();
    AutoReset<TComponent*> restoreParent(m_parent, instance.GetChildParent());
    TComponent* owner = instance.GetChildOwner();
    AutoReset<TComponent*> restoreOwner(m_owner, owner ? owner : m_root);
    while (!EndOfList())
        ReadComponent(nullptr);
    ReadListEnd();
}

void TReader::FixupReferences()
{
    if (m_fixups) {
        DoFixupReferences();
        m_fixups.reset();
    }
}

void TReader::DoFixupReferences()
{
    std::vector<Fixup> fixups;
    fixups.swap(*m_fixups);
    for (const Fixup& f : fixups) {
        TComponent* target = FindNestedComponent(f.root, f.name);
        if (target) {
            f.prop->SetObjectValue(*f.instance, target);
            continue;
        }
        std::size_t dot = f.name.find('.');
        if (dot != AnsiString::npos) {
            // Not on this form: it names another form, which may come later.
            GlobalFixups& g = Fixups();
            std::lock_guard guard(g.lock);
            g.list.push_back({ f.instance, f.prop, f.name.substr(0, dot), f.name.substr(dot + 1), f.root });
        } else {
            f.prop->SetObjectValue(*f.instance, nullptr);
        }
    }
}

// ---- properties ----

void TReader::ReadProperty(TPersistent& instance)
{
    try {
        m_propName = ReadStr();
        TPersistent* target = &instance;
        std::size_t start = 0;
        for (;;) {
            std::size_t dot = m_propName.find('.', start);
            AnsiString part = m_propName.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
            const TClassInfo* info = ClassRegistry::Of(*target);
            const TPropInfo* prop = info ? info->FindProperty(part) : nullptr;
            if (dot == AnsiString::npos) {
                if (prop)
                    ReadPropValue(*target, *prop);
                else
                    ReadDefined(*target, info, part);
                break;
            }
            if (!prop) {
                SkipValue();
                PropertyNotFound();
            }
            TPersistent* next =
                prop->Kind == TTypeKind::Class && prop->GetObjectValue ? prop->GetObjectValue(*target) : nullptr;
            if (!next) {
                SkipValue();
                ReadError(TextId::InvalidPropertyPath);
            }
            target = next;
            start = dot + 1;
        }
    } catch (const std::exception& e) {
        AnsiString owner;
        if (auto* component = dynamic_cast<TComponent*>(&instance))
            owner = component->Name();
        if (owner.empty())
            owner = instance.ClassName();
        throw EReadError(
            Exception::ResText(TextId::ErrorReadingProperty, owner, ".", m_propName, AnsiString(e.what())));
    }
}

void TReader::ReadDefined(TPersistent& instance, const TClassInfo* info, const AnsiString& name)
{
    const TDefinedProperty* defined = info ? info->FindDefined(name) : nullptr;
    if (!defined) {
        SkipValue();
        PropertyNotFound();
    }
    if (defined->Read) {
        defined->Read(instance, *this);
        return;
    }
    if (ReadValue() != TValueType::fvBinary) {
        --m_bufPos;
        SkipValue();
        PropValueError();
    }
    std::vector<char> bytes = ReadBinaryBody();
    TMemoryStream data(AnsiString(bytes.begin(), bytes.end()));
    defined->ReadData(instance, data);
}

void TReader::ReadPropValue(TPersistent& instance, const TPropInfo& prop)
{
    if (!prop.Writable && !(prop.Kind == TTypeKind::Class && NextValue() == TValueType::fvCollection))
        ReadError(TextId::ReadOnlyProperty);
    switch (prop.Kind) {
    case TTypeKind::Integer: {
        long long value;
        if (NextValue() == TValueType::fvIdent) {
            AnsiString ident = ReadIdent();
            std::optional<long long> mapped = prop.Idents ? prop.Idents->IdentToInt(ident) : std::nullopt;
            if (!mapped)
                PropValueError();
            value = *mapped;
        } else {
            value = ReadInteger();
        }
        prop.SetOrd(instance, value);
        break;
    }
    case TTypeKind::Char: prop.SetOrd(instance, static_cast<unsigned char>(ReadChar())); break;
    case TTypeKind::Enumeration: {
        int ordinal = prop.Enum ? prop.Enum->IndexOf(ReadIdent()) : -1;
        if (ordinal < 0)
            PropValueError();
        prop.SetOrd(instance, ordinal);
        break;
    }
    case TTypeKind::Float: prop.SetFloat(instance, ReadFloat()); break;
    case TTypeKind::String: prop.SetString(instance, ReadString()); break;
    case TTypeKind::Set:
        if (!prop.Enum)
            PropValueError();
        prop.SetOrd(instance, ReadSet(*prop.Enum));
        break;
    case TTypeKind::Int64: prop.SetOrd(instance, ReadInt64()); break;
    case TTypeKind::Variant: prop.SetVariant(instance, ReadVariant()); break;
    case TTypeKind::Class:
        switch (NextValue()) {
        case TValueType::fvNil:
            ReadValue();
            if (!prop.SetObjectValue(instance, nullptr))
                PropValueError();
            break;
        case TValueType::fvCollection: {
            ReadValue();
            TCollection* collection =
                prop.GetObjectValue ? dynamic_cast<TCollection*>(prop.GetObjectValue(instance)) : nullptr;
            if (!collection) {
                --m_bufPos;
                SkipValue();
                PropValueError();
            }
            ReadCollection(*collection);
            break;
        }
        default: {
            AnsiString name = ReadIdent();
            if (!m_fixups)
                m_fixups = std::make_unique<std::vector<Fixup>>();
            m_fixups->push_back({ &instance, &prop, name, m_root });
            break;
        }
        }
        break;
    case TTypeKind::Method: {
        if (NextValue() == TValueType::fvNil) {
            ReadValue();
            prop.SetMethod(instance, std::any {});
            break;
        }
        AnsiString name = ReadIdent();
        const TClassInfo* rootInfo = m_root ? ClassRegistry::Of(*m_root) : nullptr;
        const TMethodInfo* method = rootInfo ? rootInfo->FindMethod(name) : nullptr;
        if (!method)
            PropValueError();
        std::any handler = method->Bind(*m_root);
        if (!handler.has_value() || !prop.SetMethod(instance, handler))
            PropValueError();
        break;
    }
    }
}

void TReader::ReadCollection(TCollection& collection)
{
    collection.BeginUpdate();
    try {
        if (!EndOfList())
            collection.Clear();
        while (!EndOfList()) {
            TValueType next = NextValue();
            if (next == TValueType::fvInt8 || next == TValueType::fvInt16 || next == TValueType::fvInt32)
                ReadInteger();
            TCollectionItem* item = collection.Add();
            if (ReadValue() != TValueType::fvList) {
                --m_bufPos;
                SkipValue();
                PropValueError();
            }
            while (!EndOfList())
                ReadProperty(*item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        // Not a guard: ending the update tells the collection's owner, which may raise.
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
}

// ---- the name space, global references and loading scopes ----

TNameSpaceLock::TNameSpaceLock() { NameSpaceMutex().lock(); }

TNameSpaceLock::~TNameSpaceLock() { NameSpaceMutex().unlock(); }

int RegisterFindGlobalComponent(TFindGlobalComponent finder)
{
    GlobalFinders& f = Finders();
    std::lock_guard guard(f.lock);
    f.finders.emplace_back(f.nextId, std::move(finder));
    return f.nextId++;
}

void UnregisterFindGlobalComponent(int id)
{
    GlobalFinders& f = Finders();
    std::lock_guard guard(f.lock);
    std::erase_if(f.finders, [id](const auto& entry) { return entry.first == id; });
}

TComponent* FindGlobalComponent(const AnsiString& name)
{
    std::vector<std::pair<int, TFindGlobalComponent>> finders;
    {
        GlobalFinders& f = Finders();
        std::lock_guard guard(f.lock);
        finders = f.finders;
    }
    for (const auto& [id, finder] : finders)
        if (TComponent* found = finder(name))
            return found;
    return nullptr;
}

TComponent* FindNestedComponent(TComponent* root, const AnsiString& name)
{
    if (name.empty())
        return nullptr;
    TComponent* current = root;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = name.find_first_of(".-", pos);
        AnsiString part = name.substr(pos, end == AnsiString::npos ? AnsiString::npos : end - pos);
        if (!SameText(part, "Owner"))
            current = current->FindComponent(part);
        if (!current || end == AnsiString::npos)
            return current;
        pos = end + 1;
        if (name[end] == '-' && pos < name.size() && name[pos] == '>')
            ++pos;
    }
}

void GlobalFixupReferences()
{
    TNameSpaceLock lock;
    GlobalFixups& g = Fixups();
    std::vector<GlobalFixup> pending;
    {
        std::lock_guard guard(g.lock);
        pending.swap(g.list);
    }
    std::vector<GlobalFixup> kept;
    for (GlobalFixup& f : pending) {
        if (TComponent* form = FindGlobalComponent(f.rootName)) {
            f.prop->SetObjectValue(*f.instance, FindNestedComponent(form, f.name));
        } else if (!(f.prop->GetObjectValue && f.prop->GetObjectValue(*f.instance))) {
            kept.push_back(std::move(f)); // still waiting for that form
        }
    }
    std::lock_guard guard(g.lock);
    g.list.insert(g.list.begin(), kept.begin(), kept.end());
}

void RemoveFixupReferences(TComponent* root, const AnsiString& rootName)
{
    GlobalFixups& g = Fixups();
    std::lock_guard guard(g.lock);
    std::erase_if(g.list, [&](const GlobalFixup& f) {
        return (!root || f.root == root) && (rootName.empty() || SameText(f.rootName, rootName));
    });
}

int PendingGlobalFixups()
{
    GlobalFixups& g = Fixups();
    std::lock_guard guard(g.lock);
    return static_cast<int>(g.list.size());
}

void BeginGlobalLoading() { t_loadingScopes.push_back(std::make_unique<std::vector<TComponent*>>()); }

void NotifyGlobalLoading()
{
    if (t_loadingScopes.empty())
        return;
    std::vector<TComponent*> loaded = *t_loadingScopes.back();
    for (TComponent* component : loaded)
        component->Loaded();
}

void EndGlobalLoading()
{
    if (!t_loadingScopes.empty())
        t_loadingScopes.pop_back();
}

bool GlobalLoadingActive() { return !t_loadingScopes.empty(); }

bool ReadComponentResource(HINSTANCE module, const AnsiString& name, TComponent& instance)
{
    if (!FindResourceA(module, name.c_str(), RT_RCDATA))
        return false;
    TResourceStream stream(module, name, RT_RCDATA);
    TReader reader(stream);
    reader.ReadRootComponent(instance);
    return true;
}

bool InitInheritedComponent(TComponent& instance, std::type_index rootAncestor)
{
    TNameSpaceLock lock;
    bool scope = !instance.HasState(csLoading | csInline);
    if (scope)
        BeginGlobalLoading();
    ScopeExit endScope([scope] {
        if (scope)
            EndGlobalLoading();
    });

    std::vector<AnsiString> levels;
    for (const TClassInfo* c = ClassRegistry::Of(instance); c; c = c->Parent()) {
        if (c->Type() == rootAncestor || c->Type() == typeid(TComponent))
            break;
        levels.insert(levels.begin(), c->Name());
    }
    HINSTANCE module = GetModuleHandleA(nullptr);
    bool found = false;
    for (const AnsiString& level : levels)
        found = ReadComponentResource(module, level, instance) || found;
    if (scope)
        NotifyGlobalLoading();
    return found;
}
