#include "tray/PopupMenu.h"

#include "tray/MenuAccessKeys.h"
#include "tray/PopupList.h"
#include "frame/Application.h"
#include "runtime/ClassInfo.h"
#include "runtime/Platform.h"

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner)
{
    m_windowHandle = Application ? Application->Handle() : nullptr;
    PopupList().Add(this);
}

TPopupMenu::~TPopupMenu()
{
    m_alive.Expire();
    PopupList().Remove(this);
}

void TPopupMenu::DoPopup(TObject* sender)
{
    if (OnPopup)
        OnPopup(sender);
}

void TPopupMenu::SetInvokingComponent(TComponent* component)
{
    if (component == m_invokingComponent)
        return;
    if (m_invokingComponent)
        RemoveFreeNotification(m_invokingComponent);
    m_invokingComponent = component;
    if (component)
        FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_invokingComponent)
        m_invokingComponent = nullptr;
}

UINT TPopupMenu::TrackFlags() const
{
    static const UINT alignments[] = { TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN };
    TPopupAlignment alignment = m_alignment;
    if (IsRightToLeft() && alignment != paCenter)
        alignment = alignment == paLeft ? paRight : paLeft;
    UINT flags = alignments[alignment] | (m_trackButton == tbRightButton ? TPM_RIGHTBUTTON : 0u);
    PlatformVersion version = RunningPlatform();
    if (version.major > 4 || (version.major == 4 && version.minor > 0))
        flags |= (m_menuAnimation & 0x1F) << 10;
    return flags;
}

void TPopupMenu::PopupAt(int x, int y)
{
    m_popupPoint = { x, y };
    TAliveToken::Watcher alive = m_alive.Watch();
    DoPopup(this);
    if (!alive)
        return;
    AssignAccessKeys(Items(), false);
    ReduceSeparators(Items(), false);
    if (Items()->HandleAllocated())
        Items()->RebuildNativeMenu();
    HMENU menu = Items()->Handle();
    TrackPopupMenu(menu, TrackFlags(), x, y, 0, PopupList().Window(), nullptr);
}

static const TClassRegistration<TPopupMenu> popupMenuInfo("TPopupMenu", [](TClassBuilder<TPopupMenu>& c) {
    static const TEnumType alignments { "paLeft", "paRight", "paCenter" };
    static const TEnumType buttons { "tbRightButton", "tbLeftButton" };
    static const TEnumType animations { "maLeftToRight", "maRightToLeft", "maTopToBottom", "maBottomToTop", "maNone" };
    c.Parent<TMenu>();
    c.Constructor();
    c.Enum("Alignment", alignments, &TPopupMenu::Alignment,
        [](TPopupMenu& o, long long v) { o.SetAlignment(static_cast<TPopupAlignment>(v)); });
    c.Boolean("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
    c.Integer("HelpContext", &TPopupMenu::HelpContext, &TPopupMenu::SetHelpContext);
    c.Set("MenuAnimation", animations, &TPopupMenu::MenuAnimation,
        [](TPopupMenu& o, long long v) { o.SetMenuAnimation(static_cast<TMenuAnimation>(v)); });
    c.Enum("TrackButton", buttons, &TPopupMenu::TrackButton,
        [](TPopupMenu& o, long long v) { o.SetTrackButton(static_cast<TTrackButton>(v)); });
    c.Event<TNotifyEvent>("OnPopup", &TPopupMenu::OnPopup);
});
