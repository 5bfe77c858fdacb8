// The about window: the program's name and version, the maker's logo and credit line,
// links to the maker's site, the support mail address and the product site, and a
// close button. Created hidden at start, shown modally from the tray menu.
#pragma once

#include "app/DesktopShell.h"
#include "frame/Form.h"

#include <memory>

class TImage;
class TLabel;
class TPanel;
class TSpeedButton;

// The addresses the links open and show.
extern const char MakerSiteAddress[];
extern const char ProductSiteAddress[];
extern const char SupportMailAddress[];

class TInfoForm1 : public TForm {
public:
    SV_CLASS_NAME(TInfoForm1)
    explicit TInfoForm1(TComponent* owner);
    ~TInfoForm1() override;

    TPanel* Panel1 = nullptr;
    TImage* Image1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TLabel* Label3 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    TLabel* Label6 = nullptr;
    TSpeedButton* SpeedButton4 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image2 = nullptr;

    // Opens the maker's web site.
    void SpeedButton1Click(TObject* sender);
    // Closes the window (a modal show ends with the cancel result).
    void SpeedButton2Click(TObject* sender);
    // Starts a mail to the support address.
    void SpeedButton3Click(TObject* sender);
    // Opens the product site.
    void SpeedButton4Click(TObject* sender);

    TDesktopShell& DesktopShell() { return *m_shell; }
    void SetDesktopShell(std::unique_ptr<TDesktopShell> shell) { m_shell = std::move(shell); }

private:
    std::unique_ptr<TDesktopShell> m_shell;
};

// The about window.
extern TInfoForm1* InfoForm1;
