// Stand-ins for forms and controls that the form-stream reader fills: they keep what
// was read in plain members and log their loaded handling, so a stream can be checked
// apart from the real controls.
#pragma once

#include "runtime/Component.h"
#include "frame/Reader.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"
#include "runtime/Events.h"

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
    std::vector<AnsiString> calls; // handlers called, by name
};

// The bytes of one of the program's form resources.
AnsiString FormResource(const char* name);
