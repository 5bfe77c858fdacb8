// The about window as its resource builds it: the component tree with parents,
// positions, pictures, fonts, cursors and hints; a hidden tool window centred when shown.
#include "app/support/MainWindowFixture.h"

#include "app/Infowindow1.h"
#include "frame/SpeedButton.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"
#include "runtime/ClassInfo.h"

namespace {

struct Placed {
    const char* name;
    const char* className;
    const char* parent;
    int left, top, width, height;
};

const Placed AboutTree[] = {
    { "Panel1", "TPanel", "InfoForm1", 0, 0, 270, 144 },
    { "Image1", "TImage", "Panel1", 8, 4, 200, 54 },
    { "SpeedButton2", "TSpeedButton", "Panel1", 97, 122, 77, 16 },
    { "Label1", "TLabel", "Panel1", 44, 52, 201, 11 },
    { "Label2", "TLabel", "Panel1", 37, 96, 87, 11 },
    { "SpeedButton1", "TSpeedButton", "Panel1", 32, 96, 96, 11 },
    { "Label3", "TLabel", "Panel1", 82, 79, 111, 11 },
    { "SpeedButton3", "TSpeedButton", "Panel1", 77, 79, 120, 11 },
    { "Label6", "TLabel", "Panel1", 149, 96, 95, 11 },
    { "SpeedButton4", "TSpeedButton", "Panel1", 144, 96, 104, 11 },
    { "Panel2", "TPanel", "InfoForm1", 270, 0, 144, 144 },
    { "Image2", "TImage", "Panel2", 2, 2, 140, 140 },
};

}

TEST_F(MainWindowTest, AboutWindowIsBuiltFromItsResource)
{
    CreateWindows();
    EXPECT_EQ(InfoForm1->Caption(), "SV_WALLPAPER Ver.1.0");
    EXPECT_EQ(InfoForm1->BorderStyle(), bsToolWindow);
    EXPECT_EQ(InfoForm1->Position(), poScreenCenter);
    EXPECT_EQ(InfoForm1->ClientWidth(), Scaled(InfoForm1, 415));
    EXPECT_EQ(InfoForm1->ClientHeight(), Scaled(InfoForm1, 144));
    EXPECT_FALSE(InfoForm1->Visible());

    ASSERT_EQ(InfoForm1->ComponentCount(), static_cast<int>(std::size(AboutTree)));
    for (int i = 0; i < InfoForm1->ComponentCount(); ++i) {
        const Placed& want = AboutTree[i];
        auto* control = dynamic_cast<TControl*>(InfoForm1->Components(i));
        ASSERT_TRUE(control != nullptr) << want.name;
        EXPECT_EQ(control->Name(), want.name);
        EXPECT_EQ(ClassRegistry::Of(*control)->Name(), want.className) << want.name;
        ASSERT_TRUE(control->Parent() != nullptr) << want.name;
        EXPECT_EQ(control->Parent()->Name(), want.parent) << want.name;
        EXPECT_EQ(control->Left(), Scaled(InfoForm1, want.left)) << want.name;
        EXPECT_EQ(control->Top(), Scaled(InfoForm1, want.top)) << want.name;
        // Labels size themselves to their text.
        if (want.className != AnsiString("TLabel")) {
            EXPECT_EQ(control->Width(), Scaled(InfoForm1, want.width)) << want.name;
            EXPECT_EQ(control->Height(), Scaled(InfoForm1, want.height)) << want.name;
        }
        if (want.className != AnsiString("TPanel") && want.className != AnsiString("TImage")) {
            EXPECT_EQ(control->Font()->Height(), -Scaled(InfoForm1, 11)) << want.name;
            EXPECT_EQ(control->Font()->Name(), "ＭＳ Ｐゴシック") << want.name;
            EXPECT_EQ(control->Font()->Charset(), SHIFTJIS_CHARSET) << want.name;
        }
    }
    EXPECT_EQ(InfoForm1->Image1->Picture()->Width(), 200);
    EXPECT_EQ(InfoForm1->Image1->Picture()->Height(), 54);
    EXPECT_EQ(InfoForm1->Image2->Picture()->Width(), 140);
    EXPECT_EQ(InfoForm1->SpeedButton2->Caption(), "CLOSE (&X)");
    EXPECT_EQ(InfoForm1->SpeedButton2->Hint(), "閉じる");
    EXPECT_EQ(InfoForm1->SpeedButton1->Hint(), "KAVOLTのサイトにアクセス");
    EXPECT_EQ(InfoForm1->SpeedButton3->Hint(), "KAVOLTにメールを送信");
    EXPECT_EQ(InfoForm1->SpeedButton4->Hint(), "SORVIAのサイトにアクセス");
    for (TSpeedButton* link : { InfoForm1->SpeedButton1, InfoForm1->SpeedButton3, InfoForm1->SpeedButton4 }) {
        EXPECT_EQ(link->Cursor(), crHandPoint) << link->Name();
        EXPECT_TRUE(link->ShowHint()) << link->Name();
        EXPECT_EQ(link->Caption(), "") << link->Name();
    }
    EXPECT_EQ(InfoForm1->Label2->Caption(), AnsiString("url : ") + MakerSiteAddress);
    EXPECT_EQ(InfoForm1->Label3->Caption(), AnsiString("mail : ") + SupportMailAddress);
    EXPECT_EQ(InfoForm1->Label6->Caption(), AnsiString("url : ") + ProductSiteAddress);
    EXPECT_EQ(InfoForm1->Label1->Font()->Color(), 0xFF0000u);
    // The two web links side by side do not run into each other.
    EXPECT_LT(InfoForm1->Label2->Left() + InfoForm1->Label2->Width(), InfoForm1->Label6->Left());
    // The link buttons' handlers are bound.
    InfoForm1->SpeedButton1->Click();
    InfoForm1->SpeedButton3->Click();
    InfoForm1->SpeedButton4->Click();
    ASSERT_EQ(shell.executions.size(), 3u);
    EXPECT_EQ(shell.executions[0].file, MakerSiteAddress);
    EXPECT_EQ(shell.executions[2].file, ProductSiteAddress);
    EXPECT_EQ(InfoForm1->Label2->Font()->Color(), 33023u);
}
