// Form construction reads the form's resource: a real form class built from the
// program's main window stream (its components stand-ins), and a class without one.
#include "common/ExpectThrow.h"
#include "app/support/ProgramFormStandIns.h"
#include "frame/Form.h"
#include "frame/Image.h"
#include "frame/Timer.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

class TResourceMainForm : public TForm {
public:
    SV_CLASS_NAME(TMainForm1)
    using TForm::TForm;
    void FormCreate(TObject*)
    {
        created.push_back(Name() + (KitTrayIcon1 && KitTrayIcon1->PopupMenu() ? " linked" : " unlinked"));
    }
    void Handler(TObject*) {}

    std::vector<AnsiString> created;
    TImage* Image1 = nullptr;
    TFakeFileList* FileListBox1 = nullptr;
    TTimer* Timer1 = nullptr;
    TKitTrayIcon* KitTrayIcon1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N1 = nullptr;
};

const TClassRegistration<TResourceMainForm> mainInfo("TMainForm1", [](TClassBuilder<TResourceMainForm>& c) {
    c.Parent<TForm>();
    c.Field("Image1", &TResourceMainForm::Image1);
    c.Field("FileListBox1", &TResourceMainForm::FileListBox1);
    c.Field("Timer1", &TResourceMainForm::Timer1);
    c.Field("KitTrayIcon1", &TResourceMainForm::KitTrayIcon1);
    c.Field("PopupMenu1", &TResourceMainForm::PopupMenu1);
    c.Field("N1", &TResourceMainForm::N1);
    c.Method<TNotifyEvent>("FormCreate", &TResourceMainForm::FormCreate);
    for (const char* name : { "Timer1Timer", "N1Click", "N8Click", "N9Click", "X1Click" })
        c.Method<TNotifyEvent>(name, &TResourceMainForm::Handler);
});

class TNoResourceForm : public TForm {
public:
    SV_CLASS_NAME(TNoResourceForm)
    using TForm::TForm;
};

const TClassRegistration<TNoResourceForm> noResourceInfo(
    "TNoResourceForm", [](TClassBuilder<TNoResourceForm>& c) { c.Parent<TForm>(); });

TEST(FormResource, ConstructionReadsTheResourceThenRunsOnCreate)
{
    auto first = MakeComponent<TResourceMainForm>();
    EXPECT_EQ(first->Name(), "MainForm1");
    EXPECT_EQ(first->Caption(), "MainForm1");
    EXPECT_EQ(first->Left(), 282);
    EXPECT_EQ(first->Top(), 224);
    EXPECT_EQ(first->Width(), 477);
    EXPECT_EQ(first->Color(), 0x8000000Fu);
    EXPECT_EQ(first->Font()->Name(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(first->Font()->Charset(), 128);
    EXPECT_FALSE(first->OldCreateOrder());
    EXPECT_FALSE(first->Visible());
    ASSERT_TRUE(first->Timer1 && first->PopupMenu1 && first->N1);
    EXPECT_EQ(first->Timer1->Interval(), 60000u);
    EXPECT_EQ(first->ComponentCount(), 13);
    // OnCreate ran once, after the references were resolved.
    EXPECT_EQ(first->created, (std::vector<AnsiString> { "MainForm1 linked" }));

    // A second form of the class while the first exists gets a numbered name.
    auto second = MakeComponent<TResourceMainForm>();
    EXPECT_EQ(second->Name(), "MainForm1_1");
    EXPECT_EQ(second->KitTrayIcon1->PopupMenu(), second->PopupMenu1);
}

TEST(FormResource, AFormClassWithoutResourceRaises)
{
    ExpectThrowMessage<EResNotFound>(
        [&] { MakeComponent<TNoResourceForm>(); }, "TNoResourceForm リソースが見つかりません");
}

}
