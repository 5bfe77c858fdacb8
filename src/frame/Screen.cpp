#include "frame/Screen.h"

#include "frame/AppForm.h"
#include "frame/Application.h"
#include "graphics/GdiHandles.h"

#include <algorithm>

TScreen* Screen = nullptr;

TScreen::TScreen(TComponent* owner) : TComponent(owner) { ReloadMetrics(); }

void TScreen::ReloadMetrics()
{
    if (TScreenDC dc(nullptr, std::nothrow); dc)
        m_pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
}

void TScreen::AddForm(IAppForm* form, bool isTForm)
{
    if (!form)
        return;
    m_customForms.push_back(form);
    if (isTForm)
        m_forms.push_back(form);
    if (Application)
        Application->UpdateAppWindowVisible();
}

void TScreen::RemoveForm(IAppForm* form)
{
    m_customForms.erase(std::remove(m_customForms.begin(), m_customForms.end(), form), m_customForms.end());
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), form), m_forms.end());
    if (Application) {
        Application->ForgetForm(form);
        Application->UpdateAppWindowVisible();
        // With the last form the hint window gives up its window too.
        if (m_customForms.empty())
            Application->ReleaseHintWindowHandle();
    }
}

void TScreen::ForgetForm(TCustomForm* form)
{
    if (m_activeForm == form)
        m_activeForm = nullptr;
    if (m_activeCustomForm == form)
        m_activeCustomForm = nullptr;
    if (m_focusedForm == form)
        m_focusedForm = nullptr;
    m_savedFocusedForms.erase(
        std::remove(m_savedFocusedForms.begin(), m_savedFocusedForms.end(), form), m_savedFocusedForms.end());
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    ++m_cursorCount;
}
