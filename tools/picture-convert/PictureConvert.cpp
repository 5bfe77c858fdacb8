// picture-convert: runs one photo through the conversion the wallpaper clock makes
// at every minute, outside the program, for checks and measurements.
//
//   picture-convert.exe [--stages] IN OUT
//       A picture loads IN by its extension, is put on the clipboard, the clipboard
//       is read back into the picture (which then holds a bitmap), the picture is
//       saved as OUT and the clipboard is emptied. With --stages the time of each
//       step is printed in milliseconds.
//   picture-convert.exe --decode-only [--repeat N] IN
//       Loads the JPEG file IN and only decodes it (N times), printing the time of
//       each decode in milliseconds: the library's share of the conversion.
//   picture-convert.exe --platform-clipboard W H [--repeat N]
//       Measures the platform's own share of the clipboard exchange: a
//       screen-compatible bitmap of W x H handed to the clipboard (SetClipboardData)
//       and fetched back (GetClipboardData), N times.
//
// A failure prints the error's message as the program's error box shows it and
// exits with 1; bad arguments exit with 2.
#include "frame/Application.h"
#include "graphics/Clipboard.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <windows.h>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Runs one step and returns its time in milliseconds.
double Timed(const std::function<void()>& step)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    step();
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

void Convert(const AnsiString& in, const AnsiString& out, bool stages)
{
    TPicture picture;
    TClipboard* clipboard = GlobalClipboard();
    struct Stage {
        const char* name;
        std::function<void()> step;
    } steps[] = {
        { "load", [&] { picture.LoadFile(in); } },
        { "to-clipboard", [&] { clipboard->Assign(&picture); } },
        { "from-clipboard", [&] { picture.Assign(clipboard); } },
        { "save", [&] { picture.SaveFile(out); } },
        { "clear", [&] { clipboard->Clear(); } },
    };
    double total = 0;
    for (const Stage& stage : steps) {
        double ms = Timed(stage.step);
        total += ms;
        if (stages)
            std::printf("%-15s %10.3f ms\n", stage.name, ms);
    }
    if (stages)
        std::printf("%-15s %10.3f ms\n", "total", total);
}

void DecodeOnly(const AnsiString& in, int repeat)
{
    TMemoryStream bytes;
    {
        TFileStream file(in, TFileStream::Mode::OpenRead);
        bytes.CopyFrom(file, 0);
    }
    for (int i = 0; i < repeat; ++i) {
        TJPEGImage jpeg;
        bytes.SetPosition(0);
        jpeg.LoadStream(bytes);
        double ms = Timed([&] { jpeg.DecodedBitmap(); });
        std::printf("%-15s %10.3f ms\n", "decode", ms);
    }
}

void PlatformClipboard(int width, int height, int repeat)
{
    for (int i = 0; i < repeat; ++i) {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        if (!bitmap) {
            ReleaseDC(nullptr, screen);
            throw EOutOfResources(Exception::ResText(65383));
        }
        // Drawn on, as the tick's bitmap is, so that its memory is in use.
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        PatBlt(memory, 0, 0, width, height, WHITENESS);
        SelectObject(memory, old);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        if (!OpenClipboard(nullptr)) {
            DeleteObject(bitmap);
            throw Exception(Exception::ResText(65300));
        }
        EmptyClipboard();
        double set = Timed([&] { SetClipboardData(CF_BITMAP, bitmap); });
        CloseClipboard();
        double get = Timed([&] {
            if (OpenClipboard(nullptr)) {
                GetClipboardData(CF_BITMAP);
                EmptyClipboard();
                CloseClipboard();
            }
        });
        std::printf("%-15s %10.3f ms\n", "set", set);
        std::printf("%-15s %10.3f ms\n", "get", get);
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: picture-convert [--stages] IN OUT\n"
                         "       picture-convert --decode-only [--repeat N] IN\n"
                         "       picture-convert --platform-clipboard W H [--repeat N]\n");
    return 2;
}

}

int main(int argc, char** argv)
{
    std::vector<AnsiString> args(argv + 1, argv + argc);
    bool stages = false;
    bool decodeOnly = false;
    bool platform = false;
    int repeat = 1;
    std::vector<AnsiString> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--stages")
            stages = true;
        else if (args[i] == "--decode-only")
            decodeOnly = true;
        else if (args[i] == "--platform-clipboard")
            platform = true;
        else if (args[i] == "--repeat" && i + 1 < args.size())
            repeat = std::atoi(args[++i].c_str());
        else if (args[i].rfind("--", 0) == 0)
            return Usage();
        else
            files.push_back(args[i]);
    }
    if (repeat < 1 || int(decodeOnly) + int(platform) > 1)
        return Usage();
    if (files.size() != (decodeOnly ? 1u : 2u))
        return Usage();

    try {
        if (decodeOnly)
            DecodeOnly(files[0], repeat);
        else if (platform)
            PlatformClipboard(std::atoi(files[0].c_str()), std::atoi(files[1].c_str()), repeat);
        else
            Convert(files[0], files[1], stages);
    } catch (const EAbort&) {
        return 1; // an abort is silent, as in the program
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", TApplication::ErrorBoxText(e.Message()).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
