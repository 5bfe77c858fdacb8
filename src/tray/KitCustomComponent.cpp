#include "tray/KitCustomComponent.h"

void TKitCustomComponent::EndUpdate(bool notify)
{
    m_updating = 0;
    if (notify)
        Change();
}

void TKitCustomComponent::Change()
{
    if (m_updating != 1 && OnChange)
        OnChange(this);
}

void TKitCustomComponent::GetChange(TObject*) { Change(); }
