// Base of the component library's non-visual components: an about text (shown by
// designers only), a change event and an update flag that holds change reports back.
#pragma once

#include "runtime/Component.h"
#include "runtime/Events.h"

#include <cstdint>

class TKitCustomComponent : public TComponent {
public:
    SV_CLASS_NAME(TKitCustomComponent)
    explicit TKitCustomComponent(TComponent* owner) : TComponent(owner) {}

    // At most 10 characters; no effect at run time.
    const AnsiString& About() const { return m_about; }
    void SetAbout(const AnsiString& text) { m_about = text.substr(0, 10); }

    void BeginUpdate() { m_updating = 1; }
    void EndUpdate(bool notify);
    bool Updating() const { return m_updating == 1; }

    // Reports a change through OnChange, unless an update is in progress.
    virtual void Change();
    // The handler that change links of descendants point at.
    virtual void GetChange(TObject* sender);

    TNotifyEvent OnChange;

private:
    AnsiString m_about;
    std::uint8_t m_updating = 0;
};
