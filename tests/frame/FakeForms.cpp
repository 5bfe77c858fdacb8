#include "frame/FakeForms.h"

#include "graphics/IdentMaps.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"

namespace {

template<class C, class T>
void Int(TClassBuilder<C>& c, const char* name, T C::*member, const TIdentMap* idents = nullptr)
{
    c.Integer(name, [member](C& o) { return static_cast<long long>(o.*member); },
        [member](C& o, long long v) { o.*member = static_cast<T>(v); }, idents);
}

template<class C>
void Bool(TClassBuilder<C>& c, const char* name, bool C::*member)
{
    c.Boolean(name, [member](C& o) { return o.*member; }, [member](C& o, long long v) { o.*member = v != 0; });
}

template<class C>
void Str(TClassBuilder<C>& c, const char* name, AnsiString C::*member)
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
    c.Enum("BevelOuter", BevelType(), [](TFakeControl& o) { return o.bevelOuter; },
        [](TFakeControl& o, long long v) { o.bevelOuter = static_cast<int>(v); });
    c.Set("Options", options, [](TFakeControl& o) { return o.options; },
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
    c.Reference<TComponent>("PopupMenu", [](TFakeControl& o) { return o.popupMenu; },
        [](TFakeControl& o, TComponent* v) { o.popupMenu = v; });
    c.Event<TNotifyEvent>("OnClick", &TFakeControl::onClick);
});

template<class T>
void RegisterFake(const char* name)
{
    static const TClassRegistration<T> info(name, [](TClassBuilder<T>& c) {
        c.template Parent<TFakeControl>();
        c.Constructor();
    });
}

const TClassRegistration<TFakeForm> formInfo("TFakeForm", [](TClassBuilder<TFakeForm>& c) {
    static const TEnumType borderStyles { "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin" };
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
    c.Enum("BorderStyle", borderStyles, [](TFakeForm& o) { return o.borderStyle; },
        [](TFakeForm& o, long long v) { o.borderStyle = static_cast<int>(v); });
    c.Enum("Position", positions, [](TFakeForm& o) { return o.position; },
        [](TFakeForm& o, long long v) { o.position = static_cast<int>(v); });
    Str(c, "Caption", &TFakeForm::caption);
    Bool(c, "OldCreateOrder", &TFakeForm::oldCreateOrder);
    c.Object<TFont>("Font", [](TFakeForm& o) { return o.font.get(); });
    c.Event<TNotifyEvent>("OnCreate", &TFakeForm::onCreate);
    c.Defined("TextHeight", [](TFakeForm& o, TReader& r) { o.textHeight = static_cast<int>(r.ReadInteger()); });
});

const TClassRegistration<TFakeMainForm> mainInfo("TMainForm1", [](TClassBuilder<TFakeMainForm>& c) {
    RegisterFake<TFakeFileList>("TFileListBox");
    c.Parent<TFakeForm>();
    c.Constructor();
    c.Field("Image1", &TFakeMainForm::Image1);
    c.Field("FileListBox1", &TFakeMainForm::FileListBox1);
    c.Field("Timer1", &TFakeMainForm::Timer1);
    c.Field("KitTrayIcon1", &TFakeMainForm::KitTrayIcon1);
    c.Field("PopupMenu1", &TFakeMainForm::PopupMenu1);
    c.Field("N1", &TFakeMainForm::N1);
    c.Field("N2", &TFakeMainForm::N2);
    c.Field("X1", &TFakeMainForm::X1);
    c.Method<TNotifyEvent>("FormCreate", &TFakeMainForm::FormCreate);
    c.Method<TNotifyEvent>("Timer1Timer", &TFakeMainForm::Timer1Timer);
    c.Method<TNotifyEvent>("N1Click", &TFakeMainForm::N1Click);
    c.Method<TNotifyEvent>("N8Click", &TFakeMainForm::N8Click);
    c.Method<TNotifyEvent>("N9Click", &TFakeMainForm::N9Click);
    c.Method<TNotifyEvent>("X1Click", &TFakeMainForm::X1Click);
});

const TClassRegistration<TFakeInfoForm> infoInfo("TInfoForm1", [](TClassBuilder<TFakeInfoForm>& c) {
    c.Parent<TFakeForm>();
    c.Constructor();
    c.Field("Panel1", &TFakeInfoForm::Panel1);
    c.Field("Panel2", &TFakeInfoForm::Panel2);
    c.Field("Image1", &TFakeInfoForm::Image1);
    c.Field("Image2", &TFakeInfoForm::Image2);
    c.Field("Label1", &TFakeInfoForm::Label1);
    c.Field("SpeedButton2", &TFakeInfoForm::SpeedButton2);
    c.Method<TNotifyEvent>("SpeedButton1Click", &TFakeInfoForm::SpeedButton1Click);
    c.Method<TNotifyEvent>("SpeedButton2Click", &TFakeInfoForm::SpeedButton2Click);
    c.Method<TNotifyEvent>("SpeedButton3Click", &TFakeInfoForm::SpeedButton3Click);
    c.Method<TNotifyEvent>("SpeedButton4Click", &TFakeInfoForm::SpeedButton4Click);
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

TFakeControl::TFakeControl(TComponent* owner) : TComponent(owner)
{
    ++LiveFakes();
}

TFakeControl::~TFakeControl()
{
    --LiveFakes();
}

void TFakeControl::Loaded()
{
    TComponent::Loaded();
    LoadedLog().push_back(Name());
}

TFakeForm::TFakeForm(TComponent* owner) : TComponent(owner)
{
    Live().push_back(this);
}

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
