// Reading binary form streams ("TPF0") into live components: the filer base, the
// reader with its value readers and skippers, component creation, property setting
// through the published class information (ClassInfo.h), handler binding by name,
// component reference fix-ups, and the process-wide loading scope and reference list.
#pragma once

#include "runtime/ClassInfo.h"
#include "runtime/Component.h"
#include "runtime/AnsiString.h"
#include "runtime/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

#include <windows.h>

class TCollection;

// Type codes of stored values.
enum class TValueType : std::uint8_t {
    fvEnd = 0,
    fvList,
    fvInt8,
    fvInt16,
    fvInt32,
    fvExtended,
    fvString,
    fvIdent,
    fvFalse,
    fvTrue,
    fvBinary,
    fvSet,
    fvLString,
    fvNil,
    fvCollection,
    fvSingle,
    fvCurrency,
    fvDate,
    fvWString,
    fvInt64,
};

// Flags of a component's prefix byte.
enum : int { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// What readers and writers of form streams share: the stream, the buffer, the root.
class TFiler {
public:
    static constexpr std::int32_t BufferSize = 4096;

    explicit TFiler(TStream& stream) : m_stream(stream), m_buffer(BufferSize) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    TComponent* Root() const { return m_root; }
    TComponent* LookupRoot() const { return m_lookupRoot; }

protected:
    TStream& m_stream;
    std::vector<char> m_buffer;
    std::int32_t m_bufPos = 0;
    std::int32_t m_bufEnd = 0;
    TComponent* m_root = nullptr;
    TComponent* m_lookupRoot = nullptr;
};

class TReader : public TFiler {
public:
    explicit TReader(TStream& stream);
    // Leaves the stream at the first byte not read.
    ~TReader() override;

    // ---- the root and components ----
    // "TPF0", else EReadError 65423.
    void ReadSignature();
    // Reads the root object into the instance. Returns it.
    TComponent* ReadRootComponent(TComponent& root);
    // Reads the root object into a new instance of its stored class (registered
    // classes only; EClassNotFound 65422), which the caller then holds.
    TComponentPtr<> ReadNewRootComponent();
    // Reads one component stored inside the current one (or into the given one).
    TComponent* ReadComponent(TComponent* component = nullptr);
    // The instance's properties, then its children.
    void ReadData(TComponent& instance);
    // One stored property of the instance (EReadError 65405 wraps any failure).
    void ReadProperty(TPersistent& instance);
    // Resolves the component references read so far outside a component's data.
    void FixupReferences();
    // A collection's items (after fvCollection).
    void ReadCollection(TCollection& collection);
    // Prefix byte (when present): flags and a child position.
    void ReadPrefix(int& flags, int& childPosition);

    // ---- values ----
    TValueType ReadValue();
    TValueType NextValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    long long ReadInteger(); // 8, 16 or 32 bits
    long long ReadInt64();   // any integer, or fvInt64
    bool ReadBoolean();      // true only for fvTrue
    char ReadChar();
    long double ReadFloat(); // fvExtended or an integer
    float ReadSingle();
    long long ReadCurrency(); // amount times 10 000
    double ReadDate();
    AnsiString ReadString(); // fvString or fvLString
    std::u16string ReadWideString();
    AnsiString ReadIdent(); // fvIdent; False, True, nil, Null for their codes
    // A set of the enumeration's elements as bits; an unknown name skips the rest of
    // the set and raises 65401.
    std::uint32_t ReadSet(const TEnumType& elements);
    TVariant ReadVariant();
    // A short string (length byte and bytes).
    AnsiString ReadStr();
    // Exactly count bytes, else EReadError 65418.
    void Read(void* buffer, std::int32_t count);
    // A length-prefixed binary value (after fvBinary); EReadError 65418 when the
    // length runs past the stream.
    std::vector<char> ReadBinaryBody();

    void SkipValue();
    void SkipProperty();
    void SkipComponent(bool skipHeader);
    void SkipSetBody();
    void SkipBytes(std::uint32_t count);

    // Position of the next byte to read in the stream.
    std::int32_t Position();

    // ---- state seen by components reading themselves ----
    TComponent* Owner() const { return m_owner; }
    void SetOwner(TComponent* owner) { m_owner = owner; }
    TComponent* Parent() const { return m_parent; }
    void SetParent(TComponent* parent) { m_parent = parent; }
    const AnsiString& PropName() const { return m_propName; }
    // Components read, in reading order.
    const std::vector<TComponent*>& LoadedList() const { return *m_loaded; }

private:
    struct Fixup {
        TPersistent* instance;
        const TPropInfo* prop;
        AnsiString name;
        TComponent* root;
    };

    void ReadBuffer();
    TComponent* ReadRoot(TComponent* root, TComponentPtr<>* holder);
    void ReadDataInner(TComponent& instance);
    void ReadComponentState(TComponent& component);
    void ReadPropValue(TPersistent& instance, const TPropInfo& prop);
    void ReadDefined(TPersistent& instance, const TClassInfo* info, const AnsiString& name);
    void DoFixupReferences();
    const TClassInfo* FindComponentClass(const AnsiString& className);
    void SetComponentName(TComponent& component, const AnsiString& name);
    [[noreturn]] void PropValueError();
    [[noreturn]] void PropertyNotFound();

    TComponent* m_owner = nullptr;
    TComponent* m_parent = nullptr;
    AnsiString m_propName;
    std::unique_ptr<std::vector<Fixup>> m_fixups;
    int m_depth = 0;
    std::vector<TComponent*> m_ownLoaded;
    std::vector<TComponent*>* m_loaded = &m_ownLoaded;
};

// ---- process-wide parts of the component name space ----

// The lock of the component name space (form creation, reading, global reference
// resolution, renaming). The same thread may take it again while it holds it.
class TNameSpaceLock {
public:
    TNameSpaceLock();
    ~TNameSpaceLock();
    TNameSpaceLock(const TNameSpaceLock&) = delete;
    TNameSpaceLock& operator=(const TNameSpaceLock&) = delete;
};

// Finders of top-level components (the screen's forms) by name; the first that
// answers wins. The forms module installs its finder.
using TFindGlobalComponent = std::function<TComponent*(const AnsiString& name)>;
// Returns an id for UnregisterFindGlobalComponent.
int RegisterFindGlobalComponent(TFindGlobalComponent finder);
void UnregisterFindGlobalComponent(int id);
TComponent* FindGlobalComponent(const AnsiString& name);

// The component a dotted name leads to from the root ("Form.Panel1.Button",
// "Owner" standing for the current one), or none.
TComponent* FindNestedComponent(TComponent* root, const AnsiString& name);

// Works through the process-wide references waiting for another form.
void GlobalFixupReferences();
// Drops the waiting references recorded for a root (all roots when none) that point
// into the named form (any form when the name is empty).
void RemoveFixupReferences(TComponent* root, const AnsiString& rootName);
// Number of references waiting for another form.
int PendingGlobalFixups();

// The loading scope of the calling thread: while one is open, the loaded handling of
// every component read waits until the scope ends.
void BeginGlobalLoading();
void NotifyGlobalLoading();
void EndGlobalLoading();
bool GlobalLoadingActive();

// Reads the form resources (RT_RCDATA named after each class) of every class from
// just below the root ancestor down to the instance's class, the base class's first,
// into the instance. Answers whether any was found.
bool InitInheritedComponent(TComponent& instance, std::type_index rootAncestor);
// Reads one resource of the module into the instance; false when there is none.
bool ReadComponentResource(HINSTANCE module, const AnsiString& name, TComponent& instance);
