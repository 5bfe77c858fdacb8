#include "app/support/ProgramFormStandIns.h"

#include "frame/Image.h"
#include "frame/Label.h"
#include "frame/Panel.h"
#include "frame/SpeedButton.h"
#include "frame/Timer.h"

namespace {

template<class T> void RegisterFake(const char* name)
{
    static const TClassRegistration<T> info(name, [](TClassBuilder<T>& c) {
        c.template Parent<TFakeControl>();
        c.Constructor();
    });
}

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

TFakeMainForm::TFakeMainForm(TComponent* owner) : TFakeForm(owner) {}

TFakeInfoForm::TFakeInfoForm(TComponent* owner) : TFakeForm(owner) {}
