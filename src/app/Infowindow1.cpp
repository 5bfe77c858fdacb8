#include "app/Infowindow1.h"

#include "frame/SpeedButton.h"
#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "runtime/ClassInfo.h"

TInfoForm1* InfoForm1 = nullptr;

// The link labels of the form show the same addresses.
const char MakerSiteAddress[] = "http://kv.test";
const char ProductSiteAddress[] = "http://sv.test";
const char SupportMailAddress[] = "sv@kv.test";

TInfoForm1::TInfoForm1(TComponent* owner) : TForm(owner), m_shell(std::make_unique<TDesktopShell>()) {}

TInfoForm1::~TInfoForm1() = default;

void TInfoForm1::SpeedButton1Click(TObject*)
{
    m_shell->Execute(InfoForm1->Handle(), "OPEN", MakerSiteAddress, "", "", SW_SHOW);
}

void TInfoForm1::SpeedButton2Click(TObject*) { InfoForm1->CloseForm(); }

void TInfoForm1::SpeedButton3Click(TObject*)
{
    AnsiString mail = AnsiString("MailTo:") + SupportMailAddress;
    m_shell->Execute(nullptr, nullptr, mail.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TInfoForm1::SpeedButton4Click(TObject*)
{
    m_shell->Execute(InfoForm1->Handle(), "OPEN", ProductSiteAddress, "", "", SW_SHOW);
}

static const TClassRegistration<TInfoForm1> infoFormInfo("TInfoForm1", [](TClassBuilder<TInfoForm1>& c) {
    c.Parent<TForm>();
    c.Field("Panel1", &TInfoForm1::Panel1);
    c.Field("Image1", &TInfoForm1::Image1);
    c.Field("SpeedButton2", &TInfoForm1::SpeedButton2);
    c.Field("Label1", &TInfoForm1::Label1);
    c.Field("Label2", &TInfoForm1::Label2);
    c.Field("SpeedButton1", &TInfoForm1::SpeedButton1);
    c.Field("Label3", &TInfoForm1::Label3);
    c.Field("SpeedButton3", &TInfoForm1::SpeedButton3);
    c.Field("Label6", &TInfoForm1::Label6);
    c.Field("SpeedButton4", &TInfoForm1::SpeedButton4);
    c.Field("Panel2", &TInfoForm1::Panel2);
    c.Field("Image2", &TInfoForm1::Image2);
    c.Method<TNotifyEvent>("SpeedButton1Click", &TInfoForm1::SpeedButton1Click);
    c.Method<TNotifyEvent>("SpeedButton2Click", &TInfoForm1::SpeedButton2Click);
    c.Method<TNotifyEvent>("SpeedButton3Click", &TInfoForm1::SpeedButton3Click);
    c.Method<TNotifyEvent>("SpeedButton4Click", &TInfoForm1::SpeedButton4Click);
});
