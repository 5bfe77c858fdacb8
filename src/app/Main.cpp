// Entry routine of SV_WALLPAPER.exe. Before it runs, the lower layers have made their
// process-wide objects: the component library's application object with its mutex,
// the application and the screen. The photos are JPEG files: the entry registers the
// JPEG graphic with the pictures first. At exit the application destroys its forms,
// the about window first; the main window's components take the tray icon away and
// stop the timer.
#include "app/Infowindow1.h"
#include "app/Mainwindow1.h"
#include "frame/Application.h"
#include "graphics/JPEGImage.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        RegisterJPEGGraphic();
        Application->InitializeApp();
        Application->SetAppTitle("SV_WALLPAPER");
        Application->CreateAppForm(MainForm1);
        Application->CreateAppForm(InfoForm1);
        Application->RunApp();
    } catch (Exception& error) {
        Application->ShowErrorBox(error);
    }
    return 0;
}
