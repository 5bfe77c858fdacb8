// Stand-ins for the program's form and component classes, registered for the
// form-stream reader under the class names the program's form streams use, so that
// the real streams can be read before (and apart from) the real controls.
#pragma once

#include "runtime/Component.h"
#include "frame/Reader.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"
#include "runtime/Events.h"
#include "tray/KitTrayIcon.h"
#include "tray/MenuItem.h"
#include "tray/PopupMenu.h"

#include <memory>
#include <vector>

// Names of the components whose loaded handling ran, in order.
std::vector<AnsiString>& LoadedLog();
// Fake components alive now.
int& LiveFakes();

// An icon stand-in that keeps its stored "Data" bytes.
class TFakeIcon : public TPersistent {
public:
    SV_CLASS_NAME(TFakeIcon)
    AnsiString data;
};

class TFakeControl : public TComponent {
public:
    SV_CLASS_NAME(TFakeControl)
    explicit TFakeControl(TComponent* owner);
    ~TFakeControl() override;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return parent; }
    void SetParentComponent(TComponent* value) override { parent = value; }
    void Loaded() override;

    int left = 0, top = 0, width = 0, height = 0, tabOrder = -1, itemHeight = 0, cursor = 0;
    int bevelOuter = 0, bevelWidth = 1, color = 0;
    unsigned options = 0;
    AnsiString caption, hint;
    bool checked = false, parentFont = true, parentShowHint = true, showHint = false;
    bool transparent = false, flat = false, showMinimizedIcon = false;
    TComponent* parent = nullptr;
    TComponent* popupMenu = nullptr;
    TNotifyEvent onClick;
    std::unique_ptr<TFont> font = std::make_unique<TFont>();
    std::unique_ptr<TPicture> picture = std::make_unique<TPicture>();
    std::unique_ptr<TFakeIcon> icon = std::make_unique<TFakeIcon>();
};

// Distinct classes for the class names of the streams.
template<int N>
class TFake : public TFakeControl {
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

// A form stand-in: the form's stored properties, and a list of live forms that the
// reader's global lookup searches (as the screen's form list does).
class TFakeForm : public TComponent {
public:
    SV_CLASS_NAME(TFakeForm)
    explicit TFakeForm(TComponent* owner);
    ~TFakeForm() override;
    static std::vector<TFakeForm*>& Live();
    void Loaded() override;

    int left = 0, top = 0, width = 0, height = 0, clientWidth = 0, clientHeight = 0;
    int color = 0, pixelsPerInch = 0, textHeight = 0, borderStyle = 2, position = 0;
    AnsiString caption;
    bool oldCreateOrder = true;
    TNotifyEvent onCreate;
    std::unique_ptr<TFont> font = std::make_unique<TFont>();
    std::vector<AnsiString> calls;   // handlers called, by name
};

class TFakeMainForm : public TFakeForm {
public:
    using TFakeForm::TFakeForm;
    void FormCreate(TObject*) { calls.push_back("FormCreate"); }
    void Timer1Timer(TObject*) { calls.push_back("Timer1Timer"); }
    void N1Click(TObject*) { calls.push_back("N1Click"); }
    void N8Click(TObject*) { calls.push_back("N8Click"); }
    void N9Click(TObject*) { calls.push_back("N9Click"); }
    void X1Click(TObject*) { calls.push_back("X1Click"); }
    void Hidden(TObject*) { calls.push_back("Hidden"); }   // not published

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
    using TFakeForm::TFakeForm;
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

// The bytes of one of the program's form resources.
AnsiString FormResource(const char* name);
