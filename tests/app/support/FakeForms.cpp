#include "app/support/FakeForms.h"

#include "graphics/IdentMaps.h"

namespace {

template<class C, class T>
void Int(TClassBuilder<C>& c, const char* name, T C::*member, const TIdentMap* idents = nullptr)
{
    c.Integer(
        name, [member](C& o) { return static_cast<long long>(o.*member); },
        [member](C& o, long long v) { o.*member = static_cast<T>(v); }, idents);
}

template<class C> void Bool(TClassBuilder<C>& c, const char* name, bool C::*member)
{
    c.Boolean(
        name, [member](C& o) { return o.*member; }, [member](C& o, long long v) { o.*member = v != 0; });
}

template<class C> void Str(TClassBuilder<C>& c, const char* name, AnsiString C::*member)
{
    c.String(name, [member](C& o, const AnsiString& v) { o.*member = v; });
}

const TEnumType& BevelType()
{
    static const TEnumType type { "bvNone", "bvLowered", "bvRaised", "bvSpace" };
    return type;
}

const TClassRegistration<TFakeIcon> iconInfo("TFakeIcon", [](TClassBuilder<TFakeIcon>& c) {
    c.Parent<TPersistent>();
    c.DefinedBinary("Data", [](TFakeIcon& icon, TStream& data) {
        icon.data.resize(static_cast<std::size_t>(data.Size()));
        data.ReadBuffer(icon.data.data(), data.Size());
    });
});

const TClassRegistration<TFakeControl> controlInfo("TFakeControl", [](TClassBuilder<TFakeControl>& c) {
    static const TEnumType options { "opA", "opB", "opC" };
    c.Parent<TComponent>();
    Int(c, "Left", &TFakeControl::left);
    Int(c, "Top", &TFakeControl::top);
    Int(c, "Width", &TFakeControl::width);
    Int(c, "Height", &TFakeControl::height);
    Int(c, "TabOrder", &TFakeControl::tabOrder);
    Int(c, "ItemHeight", &TFakeControl::itemHeight);
    Int(c, "Cursor", &TFakeControl::cursor, &CursorIdents());
    Int(c, "Color", &TFakeControl::color, &ColorIdents());
    Int(c, "BevelWidth", &TFakeControl::bevelWidth);
    c.Enum(
        "BevelOuter", BevelType(), [](TFakeControl& o) { return o.bevelOuter; },
        [](TFakeControl& o, long long v) { o.bevelOuter = static_cast<int>(v); });
    c.Set(
        "Options", options, [](TFakeControl& o) { return o.options; },
        [](TFakeControl& o, long long v) { o.options = static_cast<unsigned>(v); });
    Str(c, "Caption", &TFakeControl::caption);
    Str(c, "Hint", &TFakeControl::hint);
    Bool(c, "Checked", &TFakeControl::checked);
    Bool(c, "ParentFont", &TFakeControl::parentFont);
    Bool(c, "ParentShowHint", &TFakeControl::parentShowHint);
    Bool(c, "ShowHint", &TFakeControl::showHint);
    Bool(c, "Transparent", &TFakeControl::transparent);
    Bool(c, "Flat", &TFakeControl::flat);
    Bool(c, "ShowMinimizedIcon", &TFakeControl::showMinimizedIcon);
    c.Object<TFont>("Font", [](TFakeControl& o) { return o.font.get(); });
    c.Object<TPicture>("Picture", [](TFakeControl& o) { return o.picture.get(); });
    c.Object<TFakeIcon>("Icon", [](TFakeControl& o) { return o.icon.get(); });
    c.Reference<TComponent>(
        "PopupMenu", [](TFakeControl& o) { return o.popupMenu; },
        [](TFakeControl& o, TComponent* v) { o.popupMenu = v; });
    c.Event<TNotifyEvent>("OnClick", &TFakeControl::onClick);
});

const TClassRegistration<TFakeForm> formInfo("TFakeForm", [](TClassBuilder<TFakeForm>& c) {
    static const TEnumType borderStyles { "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
        "bsSizeToolWin" };
    static const TEnumType positions { "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
        "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter" };
    c.Parent<TComponent>();
    Int(c, "Left", &TFakeForm::left);
    Int(c, "Top", &TFakeForm::top);
    Int(c, "Width", &TFakeForm::width);
    Int(c, "Height", &TFakeForm::height);
    Int(c, "ClientWidth", &TFakeForm::clientWidth);
    Int(c, "ClientHeight", &TFakeForm::clientHeight);
    Int(c, "Color", &TFakeForm::color, &ColorIdents());
    Int(c, "PixelsPerInch", &TFakeForm::pixelsPerInch);
    c.Enum(
        "BorderStyle", borderStyles, [](TFakeForm& o) { return o.borderStyle; },
        [](TFakeForm& o, long long v) { o.borderStyle = static_cast<int>(v); });
    c.Enum(
        "Position", positions, [](TFakeForm& o) { return o.position; },
        [](TFakeForm& o, long long v) { o.position = static_cast<int>(v); });
    Str(c, "Caption", &TFakeForm::caption);
    Bool(c, "OldCreateOrder", &TFakeForm::oldCreateOrder);
    c.Object<TFont>("Font", [](TFakeForm& o) { return o.font.get(); });
    c.Event<TNotifyEvent>("OnCreate", &TFakeForm::onCreate);
    c.Defined("TextHeight", [](TFakeForm& o, TReader& r) { o.textHeight = static_cast<int>(r.ReadInteger()); });
});

}

std::vector<AnsiString>& LoadedLog()
{
    static std::vector<AnsiString> log;
    return log;
}

int& LiveFakes()
{
    static int count = 0;
    return count;
}

TFakeControl::TFakeControl(TComponent* owner) : TComponent(owner) { ++LiveFakes(); }

TFakeControl::~TFakeControl() { --LiveFakes(); }

void TFakeControl::Loaded()
{
    TComponent::Loaded();
    LoadedLog().push_back(Name());
}

TFakeForm::TFakeForm(TComponent* owner) : TComponent(owner) { Live().push_back(this); }

TFakeForm::~TFakeForm()
{
    std::erase(Live(), this);
    RemoveFixupReferences(this, {});
}

std::vector<TFakeForm*>& TFakeForm::Live()
{
    static std::vector<TFakeForm*> live;
    return live;
}

void TFakeForm::Loaded()
{
    TComponent::Loaded();
    LoadedLog().push_back(Name());
}

AnsiString FormResource(const char* name)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, name, RT_RCDATA);
    if (!info)
        return {};
    HGLOBAL data = LoadResource(module, info);
    return AnsiString(static_cast<const char*>(LockResource(data)), SizeofResource(module, info));
}
