// A menu opened at a screen point (TrackPopupMenu); its commands come back through
// the process-wide popup list's window.
#pragma once

#include "tray/Menu.h"
#include "runtime/AliveToken.h"

#include <cstdint>
#include <memory>

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };
// Set of maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone (bits 0-4).
using TMenuAnimation = unsigned;

class TPopupMenu : public TMenu {
public:
    SV_CLASS_NAME(TPopupMenu)
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Opens the menu at the screen point and returns when it has closed.
    virtual void PopupAt(int x, int y);
    // The popup notification: OnPopup.
    virtual void DoPopup(TObject* sender);

    TPopupAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TPopupAlignment value) { m_alignment = value; }
    bool AutoPopup() const { return m_autoPopup; }
    void SetAutoPopup(bool value) { m_autoPopup = value; }
    THelpContext HelpContext() const { return Items()->HelpContext(); }
    void SetHelpContext(THelpContext value) { Items()->SetHelpContext(value); }
    TMenuAnimation MenuAnimation() const { return m_menuAnimation; }
    void SetMenuAnimation(TMenuAnimation value) { m_menuAnimation = value; }
    TTrackButton TrackButton() const { return m_trackButton; }
    void SetTrackButton(TTrackButton value) { m_trackButton = value; }
    POINT PopupPoint() const { return m_popupPoint; }
    // The component that opened the menu; forgotten when it goes away.
    TComponent* InvokingComponent() const { return m_invokingComponent; }
    void SetInvokingComponent(TComponent* component);
    // The flags TrackPopupMenu gets.
    UINT TrackFlags() const;

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TPopupAlignment m_alignment = paLeft;
    bool m_autoPopup = true;
    TMenuAnimation m_menuAnimation = 0;
    TTrackButton m_trackButton = tbRightButton;
    POINT m_popupPoint { -1, -1 };
    TComponent* m_invokingComponent = nullptr;
    // False once the menu is destroyed; an opening in progress holds a copy, so that
    // an OnPopup freeing the menu ends the opening there.
    TAliveToken m_alive;
};
