// Stand-ins for the program's two form classes, registered under the class names of
// the program's form streams, so that the real streams can be read into components
// that record which handlers they bound, before (and apart from) the real windows.
#pragma once

#include "app/support/FakeForms.h"
#include "tray/KitTrayIcon.h"
#include "tray/MenuItem.h"
#include "tray/PopupMenu.h"

// Distinct classes for the class names of the streams.
template<int N> class TFake : public TFakeControl {
public:
    using TFakeControl::TFakeControl;
};
using TFakeFileList = TFake<2>;
// The about window's panels, labels, images and buttons, and the main window's image,
// are the real controls.
class TImage;
class TPanel;
class TLabel;
class TSpeedButton;

// Defined beside the registrations, so that a test making one links them in.
class TFakeMainForm : public TFakeForm {
public:
    explicit TFakeMainForm(TComponent* owner);
    void FormCreate(TObject*) { calls.push_back("FormCreate"); }
    void Timer1Timer(TObject*) { calls.push_back("Timer1Timer"); }
    void N1Click(TObject*) { calls.push_back("N1Click"); }
    void N8Click(TObject*) { calls.push_back("N8Click"); }
    void N9Click(TObject*) { calls.push_back("N9Click"); }
    void X1Click(TObject*) { calls.push_back("X1Click"); }
    void Hidden(TObject*) { calls.push_back("Hidden"); } // not published

    TImage* Image1 = nullptr;
    TFakeFileList* FileListBox1 = nullptr;
    class TTimer* Timer1 = nullptr;
    TKitTrayIcon* KitTrayIcon1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* X1 = nullptr;
};

class TFakeInfoForm : public TFakeForm {
public:
    explicit TFakeInfoForm(TComponent* owner);
    void SpeedButton1Click(TObject*) { calls.push_back("SpeedButton1Click"); }
    void SpeedButton2Click(TObject*) { calls.push_back("SpeedButton2Click"); }
    void SpeedButton3Click(TObject*) { calls.push_back("SpeedButton3Click"); }
    void SpeedButton4Click(TObject*) { calls.push_back("SpeedButton4Click"); }

    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TLabel* Label1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
};
