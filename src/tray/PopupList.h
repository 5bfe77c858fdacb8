// The process-wide list of live popup menus and the hidden window that receives the
// platform's menu messages for all of them: chosen commands, submenus opening, the
// highlighted item's hint, typed characters and owner drawing.
#pragma once

#include "runtime/Messages.h"
#include "runtime/Persistent.h"

#include <vector>

#include <windows.h>

class TPopupMenu;
class TMenuItem;

class TPopupList : public TObject {
public:
    SV_CLASS_NAME(TPopupList)
    TPopupList() = default;
    ~TPopupList() override;
    TPopupList(const TPopupList&) = delete;
    TPopupList& operator=(const TPopupList&) = delete;

    // The first menu joining makes the window; the last one leaving releases it.
    void Add(TPopupMenu* menu);
    void Remove(TPopupMenu* menu);
    int Count() const { return static_cast<int>(m_menus.size()); }
    HWND Window() const { return m_window; }

    void WndProc(TMessage& message);

private:
    // The answer to a typed character that is no native access key of the menu.
    LRESULT MenuCharAnswer(TPopupMenu* popup, HMENU menu, char character);
    TMenuItem* FindItem(UINT_PTR value, bool byHandle) const;
    bool Alive(TPopupMenu* menu) const;
    void MeasureItem(MEASUREITEMSTRUCT& measure);
    void DrawItem(const DRAWITEMSTRUCT& draw);

    std::vector<TPopupMenu*> m_menus;
    HWND m_window = nullptr;
};

// The process-wide list (made on first use, lives until the program ends).
TPopupList& PopupList();
