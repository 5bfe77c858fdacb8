// The form-stream reader on the program's two streams and on streams of the program's
// classes written by hand: components built in order, fields, handlers and references
// bound, references into other forms, and what fails how. A stream written by hand is
// laid out as it nests, one object to a line; the formatter leaves those lines alone.
#include "app/support/ProgramFormStandIns.h"
#include "common/ExpectThrow.h"
#include "frame/Form.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/Reader.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"
#include "frame/support/StreamText.h"
#include "graphics/Icon.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_finder = RegisterFindGlobalComponent([](const AnsiString& name) -> TComponent* {
            for (TFakeForm* form : TFakeForm::Live())
                if (SameText(form->Name(), name))
                    return form;
            return nullptr;
        });
        LoadedLog().clear();
    }
    void TearDown() override
    {
        RemoveFixupReferences(nullptr, {});
        UnregisterFindGlobalComponent(m_finder);
    }
    int m_finder = 0;

    template<class Form> static void ReadInto(Form& form, const AnsiString& bytes)
    {
        TMemoryStream stream(bytes);
        TReader reader(stream);
        reader.ReadRootComponent(form);
    }
    static AnsiString ReadFailure(TComponent& form, const AnsiString& bytes)
    {
        try {
            TMemoryStream stream(bytes);
            TReader reader(stream);
            reader.ReadRootComponent(form);
        } catch (const EReadError& e) {
            return e.Message();
        }
        return "(no error)";
    }
};

TEST_F(ReaderTest, WrongSignatureFailsBeforeAnyComponentExists)
{
    auto form = MakeComponent<TFakeMainForm>();
    int before = LiveFakes();
    AnsiString bytes = FormResource("TMAINFORM1");
    ASSERT_EQ(bytes.size(), 3256u);
    bytes[3] = '1';
    EXPECT_EQ(ReadFailure(*form, bytes), "不正なストリーム フォーマット");
    EXPECT_EQ(LiveFakes(), before);
    EXPECT_EQ(form->ComponentCount(), 0);
    EXPECT_EQ(form->Name(), "");
    EXPECT_EQ(ReadFailure(*form, "TPF"), "ストリームからの読み込みエラー");
}

TEST_F(ReaderTest, MainFormStreamBuildsTheComponentsInOrderWithFieldsHandlersAndReferences)
{
    auto form = MakeComponent<TFakeMainForm>();
    ReadInto(*form, FormResource("TMAINFORM1"));

    EXPECT_EQ(form->Name(), "MainForm1");
    EXPECT_EQ(form->left, 282);
    EXPECT_EQ(form->top, 224);
    EXPECT_EQ(form->width, 477);
    EXPECT_EQ(form->height, 278);
    EXPECT_EQ(form->caption, "MainForm1");
    EXPECT_EQ(static_cast<unsigned>(form->color), 0x8000000Fu);
    EXPECT_EQ(form->font->Charset(), 128);
    EXPECT_EQ(form->font->Color(), 0x80000008u);
    EXPECT_EQ(form->font->Height(), -12);
    EXPECT_EQ(form->font->Name(), "ＭＳ Ｐゴシック");
    EXPECT_FALSE(form->oldCreateOrder);
    EXPECT_EQ(form->pixelsPerInch, 96);
    EXPECT_EQ(form->textHeight, 12);

    const char* order[] = { "Image1", "FileListBox1", "Timer1", "KitTrayIcon1", "PopupMenu1", "N2", "N3", "N1", "N7",
        "N8", "N9", "N10", "X1" };
    ASSERT_EQ(form->ComponentCount(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(form->Components(i)->Name(), order[i]);
        EXPECT_EQ(form->Components(i)->Owner(), form.get());
    }
    // Fields bound by name; nesting is parenting.
    ASSERT_TRUE(form->Image1 && form->FileListBox1 && form->Timer1 && form->KitTrayIcon1 && form->PopupMenu1);
    EXPECT_EQ(form->Image1->Width(), 320);
    EXPECT_EQ(form->FileListBox1->parent, form.get());
    EXPECT_EQ(form->FileListBox1->itemHeight, 12);
    EXPECT_EQ(form->FileListBox1->tabOrder, 0);
    EXPECT_EQ(form->Timer1->Interval(), 60000u);
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_EQ(form->N1->Parent(), form->PopupMenu1->Items());
    EXPECT_EQ(form->N1->GetParentComponent(), form->PopupMenu1);
    EXPECT_TRUE(form->N1->Checked());
    EXPECT_FALSE(form->N2->Checked());
    EXPECT_EQ(form->N2->Caption(), "別のフォルダを選択する(&F)...");
    EXPECT_EQ(form->X1->Caption(), "終了する(&X)");

    // The reference stored before the menu it names is resolved after reading.
    EXPECT_EQ(form->KitTrayIcon1->PopupMenu(), form->PopupMenu1);
    EXPECT_TRUE(form->KitTrayIcon1->ShowMinimizedIcon());
    EXPECT_EQ(form->KitTrayIcon1->Icon()->Width(), 32);

    // Handlers bound to the form by name; one method serves two events.
    form->onCreate(form.get());
    form->N2->OnClick(form->N2);
    form->N1->OnClick(form->N1);
    form->X1->OnClick(form->X1);
    form->Timer1->OnTimer()(form->Timer1);
    EXPECT_EQ(
        form->calls, (std::vector<AnsiString> { "FormCreate", "FormCreate", "N1Click", "X1Click", "Timer1Timer" }));

    // Loaded handling once everything is read: the form first, then each component
    // when its own reading ended (the stand-ins log it).
    std::vector<AnsiString> loaded { "MainForm1", "FileListBox1" };
    EXPECT_EQ(LoadedLog(), loaded);
    EXPECT_FALSE(form->HasState(csLoading | csReading));
}

TEST_F(ReaderTest, InfoFormStreamBuildsPanelsWithTheirChildren)
{
    auto form = MakeComponent<TFakeInfoForm>();
    ReadInto(*form, FormResource("TINFOFORM1"));
    EXPECT_EQ(form->Name(), "InfoForm1");
    EXPECT_EQ(form->borderStyle, 4);
    EXPECT_EQ(form->position, 4);
    EXPECT_EQ(form->clientWidth, 415);
    EXPECT_EQ(form->clientHeight, 144);
    ASSERT_EQ(form->ComponentCount(), 12);
    ASSERT_TRUE(form->Panel1 && form->Panel2 && form->Image1 && form->Image2 && form->Label1 && form->SpeedButton2);
    // Nesting is parenting among the real controls (the stand-in form is no control).
    EXPECT_EQ(form->Image1->Parent(), form->Panel1);
    EXPECT_EQ(form->Image2->Parent(), form->Panel2);
    EXPECT_EQ(form->SpeedButton2->Parent(), form->Panel1);
    EXPECT_EQ(form->Panel1->BevelOuter(), bvLowered);
    EXPECT_EQ(form->Panel1->BevelWidth(), 2);
    EXPECT_EQ(form->Panel1->Color(), 0xFFFFFFu);
    EXPECT_EQ(form->Image1->Picture()->Width(), 200);
    EXPECT_EQ(form->Image2->Picture()->Height(), 140);
    EXPECT_EQ(form->Label1->Font()->Color(), 0xFF0000u);
    EXPECT_EQ(form->Label1->Font()->Height(), -11);
    EXPECT_FALSE(form->Label1->ParentFont());
    EXPECT_TRUE(form->Label1->Transparent());
    EXPECT_EQ(form->SpeedButton2->Caption(), "CLOSE (&X)");
    EXPECT_EQ(form->SpeedButton2->Hint(), "閉じる");
    auto* link = dynamic_cast<TSpeedButton*>(form->FindComponent("SpeedButton1"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Cursor(), -21);
    EXPECT_TRUE(link->Flat());
    EXPECT_TRUE(link->ShowHint());
    auto* orange = dynamic_cast<TLabel*>(form->FindComponent("Label2"));
    ASSERT_TRUE(orange);
    EXPECT_EQ(orange->Font()->Color(), 33023u);
    EXPECT_FALSE(orange->Transparent());
    link->OnClick(link);
    form->SpeedButton2->OnClick(form->SpeedButton2);
    EXPECT_EQ(form->calls, (std::vector<AnsiString> { "SpeedButton1Click", "SpeedButton2Click" }));
}

TEST_F(ReaderTest, ASecondAndThirdFormOfTheSameNameGetNumberedNames)
{
    AnsiString bytes = FormResource("TMAINFORM1");
    auto first = MakeComponent<TFakeMainForm>();
    auto second = MakeComponent<TFakeMainForm>();
    auto third = MakeComponent<TFakeMainForm>();
    ReadInto(*first, bytes);
    ReadInto(*second, bytes);
    ReadInto(*third, bytes);
    EXPECT_EQ(first->Name(), "MainForm1");
    EXPECT_EQ(second->Name(), "MainForm1_1");
    EXPECT_EQ(third->Name(), "MainForm1_2");
    // Each form's reference points into its own components.
    EXPECT_EQ(second->KitTrayIcon1->PopupMenu(), second->PopupMenu1);
}

TEST_F(ReaderTest, UnknownPropertyInANestedComponentNamesComponentAndPath)
{
    StreamText s;
    // clang-format off
    s.Sig().Object("TMainForm1", "MainForm1").End()
        .Object("TPopupMenu", "PopupMenu1").End()
        .Object("TMenuItem", "N1").Prop("Font.Bogus").Int(1).End().End()
        .End()
        .End();
    // clang-format on
    auto form = MakeComponent<TFakeMainForm>();
    EXPECT_EQ(ReadFailure(*form, s.Bytes()), "N1.Font.Bogus の読み込み中のエラー : プロパティが存在しません");
    // What was created for the failed form level is gone again.
    EXPECT_EQ(form->FindComponent("N1"), nullptr);
}

TEST_F(ReaderTest, PropertyPathsThroughNonObjectsAndReadOnlyPropertiesFail)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText path;
    path.Sig().Object("TMainForm1", "MainForm1").Prop("Caption.Text").Str("x").End().End();
    EXPECT_EQ(
        ReadFailure(*form, path.Bytes()), "MainForm1.Caption.Text の読み込み中のエラー : 不正なプロパティのパスです");
    auto other = MakeComponent<TFakeMainForm>();
    StreamText readOnly;
    readOnly.Sig().Object("TMainForm1", "F").Prop("Font").Ident("Image1").End().End();
    EXPECT_EQ(ReadFailure(*other, readOnly.Bytes()), "F.Font の読み込み中のエラー : プロパティは書き込み禁止です");
}

TEST_F(ReaderTest, MissingReferenceLeavesNone)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText s;
    // clang-format off
    s.Sig().Object("TMainForm1", "MainForm1").End()
        .Object("TKitTrayIcon", "KitTrayIcon1").Prop("PopupMenu").Ident("NoSuchMenu").End().End()
        .End();
    // clang-format on
    ReadInto(*form, s.Bytes());
    EXPECT_EQ(form->KitTrayIcon1->PopupMenu(), nullptr);
    EXPECT_EQ(PendingGlobalFixups(), 0);
}

TEST_F(ReaderTest, ReferenceIntoAnotherFormWaitsForThatForm)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText s;
    // clang-format off
    s.Sig().Object("TMainForm1", "MainForm1").End()
        .Object("TKitTrayIcon", "KitTrayIcon1").Prop("PopupMenu").Ident("Other.Menu").End().End()
        .End();
    // clang-format on
    ReadInto(*form, s.Bytes());
    EXPECT_EQ(form->KitTrayIcon1->PopupMenu(), nullptr);
    EXPECT_EQ(PendingGlobalFixups(), 1);

    auto other = MakeComponent<TFakeMainForm>();
    StreamText o;
    o.Sig().Object("TMainForm1", "Other").End().Object("TPopupMenu", "Menu").End().End().End();
    ReadInto(*other, o.Bytes());
    EXPECT_EQ(form->KitTrayIcon1->PopupMenu(), other->FindComponent("Menu"));
    EXPECT_EQ(PendingGlobalFixups(), 0);
}

TEST_F(ReaderTest, ADestroyedFormTakesItsOwnWaitingReferencesAlong)
{
    // A form whose ActiveControl waits for a form not read yet.
    auto waiting = MakeComponent<TForm>(TFormSource::None);
    StreamText s;
    s.Sig().Object("TForm", "Waiting").Prop("ActiveControl").Ident("Other.Edit").End().End();
    ReadInto(*waiting, s.Bytes());
    ASSERT_EQ(PendingGlobalFixups(), 1);
    waiting.reset();
    EXPECT_EQ(PendingGlobalFixups(), 0);

    // Reading "Other" later finds nothing left to write into.
    auto other = MakeComponent<TFakeMainForm>();
    StreamText o;
    o.Sig().Object("TMainForm1", "Other").End().Object("TPopupMenu", "Edit").End().End().End();
    ReadInto(*other, o.Bytes());
    EXPECT_EQ(PendingGlobalFixups(), 0);
}

TEST_F(ReaderTest, TwoFormsWaitingForEachOther)
{
    auto read = [](TFakeMainForm& form, const char* name, const char* other) {
        StreamText s;
        // clang-format off
        s.Sig().Object("TMainForm1", name).End()
            .Object("TPopupMenu", "Menu").End().End()
            .Object("TKitTrayIcon", "KitTrayIcon1").Prop("PopupMenu").Ident(AnsiString(other) + ".Menu").End().End()
            .End();
        // clang-format on
        ReadInto(form, s.Bytes());
    };
    // Both read: each points into the other; the first to go is forgotten by the other.
    auto a = MakeComponent<TFakeMainForm>();
    read(*a, "A", "B");
    EXPECT_EQ(PendingGlobalFixups(), 1);
    auto b = MakeComponent<TFakeMainForm>();
    read(*b, "B", "A");
    EXPECT_EQ(PendingGlobalFixups(), 0);
    EXPECT_EQ(a->KitTrayIcon1->PopupMenu(), b->FindComponent("Menu"));
    EXPECT_EQ(b->KitTrayIcon1->PopupMenu(), a->FindComponent("Menu"));
    b.reset();
    EXPECT_EQ(a->KitTrayIcon1->PopupMenu(), nullptr);
    a.reset();

    // The first destroyed before the second is read: the second waits for a form
    // that is gone, and its own reference goes with it.
    a = MakeComponent<TFakeMainForm>();
    read(*a, "A", "B");
    a.reset();
    EXPECT_EQ(PendingGlobalFixups(), 0);
    b = MakeComponent<TFakeMainForm>();
    read(*b, "B", "A");
    EXPECT_EQ(b->KitTrayIcon1->PopupMenu(), nullptr);
    EXPECT_EQ(PendingGlobalFixups(), 1);
    b.reset();
    EXPECT_EQ(PendingGlobalFixups(), 0);
}

TEST_F(ReaderTest, UnpublishedHandlerFails)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText s;
    s.Sig().Object("TMainForm1", "MainForm1").Prop("OnCreate").Ident("Hidden").End().End();
    EXPECT_EQ(ReadFailure(*form, s.Bytes()), "MainForm1.OnCreate の読み込み中のエラー : 不正なプロパティの値です");
}

TEST_F(ReaderTest, BadSetElementFailsAndLeavesTheStreamAfterTheSet)
{
    TEnumType styles { "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut" };
    StreamText s;
    s.Set({ "fsBold", "fsWide", "fsItalic" }).Int(7);
    TMemoryStream stream(s.Bytes());
    TReader reader(stream);
    ExpectThrowMessage<EReadError>([&] { reader.ReadSet(styles); }, "不正なプロパティの値です");
    EXPECT_EQ(reader.Position(), static_cast<std::int32_t>(s.Bytes().size()) - 2);
    EXPECT_EQ(reader.ReadInteger(), 7);

    TMemoryStream good(StreamText().Set({ "fsItalic", "fsStrikeOut" }).Bytes());
    TReader goodReader(good);
    EXPECT_EQ(goodReader.ReadSet(styles), 2u | 8u);

    auto form = MakeComponent<TFakeMainForm>();
    StreamText f;
    f.Sig().Object("TMainForm1", "F").Prop("Font.Style").Set({ "fsWide" }).End().End();
    EXPECT_EQ(ReadFailure(*form, f.Bytes()), "F.Font.Style の読み込み中のエラー : 不正なプロパティの値です");
}

TEST_F(ReaderTest, FontColourTakesNumbersAndColourNames)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText s;
    // clang-format off
    s.Sig().Object("TMainForm1", "MainForm1").End()
        .Object("TFileListBox", "FileListBox1").Prop("Font.Color").Int(33023).End().End()
        .Object("TFileListBox", "List2").Prop("Font.Color").Ident("clBlue").Prop("Color").Ident("clbtnface").End().End()
        .End();
    // clang-format on
    ReadInto(*form, s.Bytes());
    EXPECT_EQ(form->FileListBox1->font->Color(), 33023u);
    auto* second = dynamic_cast<TFakeControl*>(form->FindComponent("List2"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->font->Color(), 0xFF0000u);
    EXPECT_EQ(static_cast<unsigned>(second->color), 0x8000000Fu);

    auto other = MakeComponent<TFakeMainForm>();
    StreamText bad;
    bad.Sig().Object("TMainForm1", "F").Prop("Font.Color").Ident("clSunset").End().End();
    EXPECT_EQ(ReadFailure(*other, bad.Bytes()), "F.Font.Color の読み込み中のエラー : 不正なプロパティの値です");
}

TEST_F(ReaderTest, UnknownClassAndDuplicateOrBadNamesFail)
{
    auto form = MakeComponent<TFakeMainForm>();
    StreamText cls;
    cls.Sig().Object("TMainForm1", "F").End().Object("TNoSuchThing", "A").End().End().End();
    ExpectThrowMessage<EClassNotFound>([&] { ReadInto(*form, cls.Bytes()); }, "クラス TNoSuchThing が見つかりません");
    auto dup = MakeComponent<TFakeMainForm>();
    StreamText twice;
    // clang-format off
    twice.Sig().Object("TMainForm1", "G").End()
        .Object("TImage", "A").End().End().Object("TImage", "a").End().End().End();
    // clang-format on
    ExpectThrowMessage<EComponentError>(
        [&] { ReadInto(*dup, twice.Bytes()); }, "コンポーネント名 a はすでに使われています");
    auto inherited = MakeComponent<TFakeMainForm>();
    StreamText missing;
    missing.Sig().Object("TMainForm1", "H").End().Byte(0xF1).Object("TImage", "Gone").End().End().End();
    EXPECT_EQ(ReadFailure(*inherited, missing.Bytes()), "'Gone' の継承元が存在しません");
}

TEST_F(ReaderTest, ValueReadersAndSkipping)
{
    StreamText s;
    s.Byte(3)
        .Byte(0x1A)
        .Byte(0x01) // 282
        .Byte(8)
        .Byte(9)
        .Byte(13)
        .Byte(0) // False True nil End as identifiers
        .Byte(1)
        .Int(1)
        .Str("ab")
        .Set({ "x" })
        .Byte(0) // a list, skipped whole
        .Byte(10)
        .Raw(AnsiString("\x03\0\0\0abc", 7)) // binary
        .Byte(10)
        .Raw(AnsiString("\xff\xff\0\0", 4)); // binary longer than the stream
    TMemoryStream stream(s.Bytes());
    TReader reader(stream);
    EXPECT_EQ(reader.ReadInteger(), 282);
    EXPECT_EQ(reader.ReadIdent(), "False");
    EXPECT_EQ(reader.ReadIdent(), "True");
    EXPECT_EQ(reader.ReadIdent(), "nil");
    EXPECT_EQ(reader.ReadIdent(), "Null");
    reader.SkipValue();
    EXPECT_EQ(reader.ReadValue(), TValueType::fvBinary);
    std::vector<char> bytes = reader.ReadBinaryBody();
    EXPECT_EQ(AnsiString(bytes.begin(), bytes.end()), "abc");
    EXPECT_EQ(reader.ReadValue(), TValueType::fvBinary);
    EXPECT_THROW(reader.ReadBinaryBody(), EReadError);
}

}

namespace {

class TIconHolder : public TComponent {
public:
    SV_CLASS_NAME(TIconHolder)
    using TComponent::TComponent;
    TIcon icon;
};

const TClassRegistration<TIconHolder> iconHolderInfo("TIconHolder", [](TClassBuilder<TIconHolder>& c) {
    c.Parent<TComponent>();
    c.Object<TIcon>("Icon", [](TIconHolder& o) { return &o.icon; });
});

TEST(ReaderValues, TheTrayIconsStoredDataLoadsIntoAnIconAndSavesBackUnchanged)
{
    AnsiString form = FormResource("TMAINFORM1");
    std::size_t at = form.find("\x09Icon.Data");
    ASSERT_NE(at, AnsiString::npos);
    AnsiString property = form.substr(at, 1 + 9 + 1 + 4 + 2238);
    auto holder = MakeComponent<TIconHolder>();
    TMemoryStream stream(property);
    TReader reader(stream);
    reader.ReadProperty(*holder);
    EXPECT_FALSE(holder->icon.Empty());
    ASSERT_TRUE(holder->icon.Handle());
    EXPECT_EQ(holder->icon.Width(), 32);
    TMemoryStream saved;
    holder->icon.SaveStream(saved);
    EXPECT_EQ(saved.Bytes(), property.substr(15));
}

}
