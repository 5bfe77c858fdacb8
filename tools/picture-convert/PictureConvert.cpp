// picture-convert: runs one photo through the conversion the wallpaper clock makes
// at every minute, outside the program, for checks and measurements.
//
//   picture-convert.exe [--stages] IN OUT
//       A picture loads IN by its extension, is put on the clipboard, the clipboard
//       is read back into the picture (which then holds a bitmap), the picture is
//       saved as OUT and the clipboard is emptied. With --stages the time of each
//       step is printed in milliseconds, and then the time spent inside the
//       platform's SetClipboardData and GetClipboardData during the whole of it.
//   picture-convert.exe --ticks N [--memory] [--stages] IN OUT
//       N conversions in one process with one picture that lives on between them,
//       as the program's image does between minute ticks. With --memory, for each
//       tick: the peak of the process's private memory during the tick and the
//       private memory held after it, in MB above what the process used before the
//       first tick (sampled every millisecond by a second thread). With --stages
//       each tick's steps are timed as above.
//   picture-convert.exe --decode-only [--repeat N] IN
//       Loads the JPEG file IN and only decodes it (N times), printing the time of
//       each decode in milliseconds: the library's share of the conversion.
//   picture-convert.exe --platform-floor W H [--repeat N]
//       What a tick of a W x H photo costs beyond its decoding with no code of ours
//       in it: the platform calls the tick cannot do without, in their plainest form, with
//       nothing of ours in between, N ticks in one process. Per tick: free the last
//       tick's bitmap; make a screen-compatible bitmap from a 24-bit image (the
//       decoded photo, made beforehand and not counted) by a blit; put it
//       on the clipboard and fetch it back; copy it into a bitmap of our own; write
//       that as a BMP file; empty the clipboard. Printed as "floor" in milliseconds:
//       all of it less SetClipboardData and GetClipboardData, as the tick's own
//       share is counted. Reading the photo file is left out (1 to 8 ms).
//
// A failure prints the error's message as the program's error box shows it and
// exits with 1; bad arguments exit with 2.
#include "frame/Application.h"
#include "graphics/Clipboard.h"
#include "graphics/GdiHandles.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "ClipboardCallTimes.h"
#include "Milliseconds.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <windows.h>
#include <psapi.h>

namespace {

// Runs one step and returns its time in milliseconds.
double Timed(const std::function<void()>& step)
{
    double start = NowMs();
    step();
    return NowMs() - start;
}

// The private memory of this process, in bytes: its page-file usage, which the
// system counts as the process's private commit (Wine: its anonymous memory in use).
double PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return double(counters.PagefileUsage);
}

// Samples the private memory every millisecond while it lives; Peak() is the
// largest value seen since the last Reset().
class MemorySampler {
public:
    MemorySampler() : m_thread([this] { Run(); }) {}
    ~MemorySampler()
    {
        m_stop = true;
        m_thread.join();
    }
    MemorySampler(const MemorySampler&) = delete;
    MemorySampler& operator=(const MemorySampler&) = delete;

    void Reset() { m_peak = PrivateBytes(); }
    double Peak()
    {
        Sample();
        return m_peak;
    }

private:
    void Sample()
    {
        double now = PrivateBytes();
        double seen = m_peak.load();
        while (now > seen && !m_peak.compare_exchange_weak(seen, now)) {}
    }
    void Run()
    {
        while (!m_stop) {
            Sample();
            Sleep(1);
        }
    }

    std::atomic<bool> m_stop { false };
    std::atomic<double> m_peak { 0 };
    std::thread m_thread;
};

void Convert(TPicture& picture, const AnsiString& in, const AnsiString& out, bool stages)
{
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
    ClipboardCalls() = {};
    for (const Stage& stage : steps) {
        double ms = Timed(stage.step);
        total += ms;
        if (stages)
            std::printf("%-15s %10.3f ms\n", stage.name, ms);
    }
    if (stages) {
        std::printf("%-15s %10.3f ms\n", "total", total);
        std::printf("%-15s %10.3f ms\n", "platform-set", ClipboardCalls().set);
        std::printf("%-15s %10.3f ms\n", "platform-get", ClipboardCalls().get);
    }
}

void Ticks(const AnsiString& in, const AnsiString& out, int ticks, bool memory, bool stages)
{
    TPicture picture;
    GlobalClipboard();
    const double mb = 1024.0 * 1024.0;
    std::unique_ptr<MemorySampler> sampler;
    double base = PrivateBytes();
    if (memory)
        sampler = std::make_unique<MemorySampler>();
    for (int i = 1; i <= ticks; ++i) {
        if (sampler)
            sampler->Reset();
        if (stages)
            std::printf("tick %d\n", i);
        double ms = Timed([&] { Convert(picture, in, out, stages); });
        if (sampler)
            std::printf("tick %d %10.3f ms peak %10.1f MB held %10.1f MB\n", i, ms, (sampler->Peak() - base) / mb,
                (PrivateBytes() - base) / mb);
        else
            std::printf("tick %d %10.3f ms\n", i, ms);
    }
    if (memory) {
        // What stays once the picture is emptied is not the picture's.
        picture.Assign(nullptr);
        std::printf("emptied %10.1f MB\n", (PrivateBytes() - base) / mb);
    }
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

void PlatformFloor(int width, int height, int repeat)
{
    TScreenDC screen;
    BITMAPINFO rgb = {};
    rgb.bmiHeader.biSize = sizeof rgb.bmiHeader;
    rgb.bmiHeader.biWidth = width;
    rgb.bmiHeader.biHeight = height;
    rgb.bmiHeader.biPlanes = 1;
    rgb.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    TGdiBitmap decoded(CreateDIBSection(screen, &rgb, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!decoded || !bits)
        GdiError();
    std::memset(bits, 0x5A, std::size_t((width * 3 + 3) / 4 * 4) * std::size_t(height));

    BITMAPINFO rows = rgb;
    rows.bmiHeader.biBitCount = 32;
    int band = std::max(1, std::min(height, (2 << 20) / (width * 4)));
    std::vector<char> buffer(std::size_t(width) * 4 * std::size_t(band));
    // A floor measured over a call that failed would read too low: every call must succeed.
    auto check = [](bool ok, const char* call) {
        if (!ok)
            throw Exception(AnsiString(call) + " failed: " + SystemErrorMessage(GetLastError()));
    };
    // The clipboard open for as long as the object lives.
    struct OpenClipboardFor {
        OpenClipboardFor() { isOpen = OpenClipboard(nullptr) != 0; }
        ~OpenClipboardFor()
        {
            if (isOpen)
                CloseClipboard();
        }
        bool isOpen;
    };
    auto blit = [&](HBITMAP from, HBITMAP to) {
        TMemoryDC source(screen), target(screen);
        TSelectObject fromSelected(source, from), toSelected(target, to);
        check(BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY), "BitBlt");
    };
    TGdiBitmap held;
    for (int i = 0; i < repeat; ++i) {
        double start = NowMs();
        held.Reset();
        TGdiBitmap copy(CreateCompatibleBitmap(screen, width, height));
        check(bool(copy), "CreateCompatibleBitmap");
        blit(decoded.Get(), copy.Get());
        double set = 0;
        {
            OpenClipboardFor clipboard;
            check(clipboard.isOpen, "OpenClipboard");
            check(EmptyClipboard(), "EmptyClipboard");
            bool taken = false;
            set = Timed([&] { taken = SetClipboardData(CF_BITMAP, copy.Get()) != nullptr; });
            check(taken, "SetClipboardData");
            copy.Release(); // the clipboard's now
        }
        double get = 0;
        {
            OpenClipboardFor clipboard;
            check(clipboard.isOpen, "OpenClipboard");
            HANDLE got = nullptr;
            get = Timed([&] { got = GetClipboardData(CF_BITMAP); });
            check(got != nullptr, "GetClipboardData");
            held = TGdiBitmap(CreateCompatibleBitmap(screen, width, height));
            check(bool(held), "CreateCompatibleBitmap");
            blit(static_cast<HBITMAP>(got), held.Get());
        }
        HANDLE file = CreateFileA("_floor.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        check(file != INVALID_HANDLE_VALUE, "CreateFile");
        try {
            auto write = [&](const void* data, std::size_t size) {
                DWORD written = 0;
                check(WriteFile(file, data, DWORD(size), &written, nullptr) && written == size, "WriteFile");
            };
            BITMAPFILEHEADER header = {};
            write(&header, sizeof header);
            write(&rows.bmiHeader, sizeof rows.bmiHeader);
            for (int first = 0; first < height; first += band) {
                int count = std::min(band, height - first);
                check(GetDIBits(screen, held.Get(), first, count, buffer.data(), &rows, DIB_RGB_COLORS) == count,
                    "GetDIBits");
                write(buffer.data(), std::size_t(width) * 4 * count);
            }
        } catch (...) {
            CloseHandle(file);
            throw;
        }
        CloseHandle(file);
        {
            OpenClipboardFor clipboard;
            check(clipboard.isOpen, "OpenClipboard");
            check(EmptyClipboard(), "EmptyClipboard");
        }
        std::printf("%-15s %10.3f ms\n", "floor", NowMs() - start - set - get);
    }
    DeleteFileA("_floor.tmp");
}

int Usage()
{
    std::fprintf(stderr,
        "usage: picture-convert [--stages] IN OUT\n"
        "       picture-convert --ticks N [--memory] [--stages] IN OUT\n"
        "       picture-convert --decode-only [--repeat N] IN\n"
        "       picture-convert --platform-floor W H [--repeat N]\n");
    return 2;
}

}

int main(int argc, char** argv)
{
    RegisterJPEGGraphic();
    std::vector<AnsiString> args(argv + 1, argv + argc);
    bool stages = false;
    bool decodeOnly = false;
    bool floor = false;
    bool memory = false;
    int repeat = 1;
    int ticks = 0;
    bool withTicks = false;
    std::vector<AnsiString> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--stages")
            stages = true;
        else if (args[i] == "--decode-only")
            decodeOnly = true;
        else if (args[i] == "--platform-floor")
            floor = true;
        else if (args[i] == "--memory")
            memory = true;
        else if (args[i] == "--ticks" && i + 1 < args.size()) {
            withTicks = true;
            ticks = std::atoi(args[++i].c_str());
        } else if (args[i] == "--repeat" && i + 1 < args.size())
            repeat = std::atoi(args[++i].c_str());
        else if (args[i].rfind("--", 0) == 0)
            return Usage();
        else
            files.push_back(args[i]);
    }
    // A count of ticks that is not a number of at least 1 is a mistake, never one plain conversion.
    if (repeat < 1 || (withTicks && ticks < 1) || int(decodeOnly) + int(floor) + int(ticks > 0) > 1
        || (memory && ticks == 0))
        return Usage();
    if (files.size() != (decodeOnly ? 1u : 2u))
        return Usage();

    if (stages && !TimeClipboardCalls()) {
        std::fprintf(stderr, "the clipboard calls cannot be timed in this process\n");
        return 1;
    }
    try {
        if (decodeOnly)
            DecodeOnly(files[0], repeat);
        else if (floor)
            PlatformFloor(std::atoi(files[0].c_str()), std::atoi(files[1].c_str()), repeat);
        else if (ticks > 0)
            Ticks(files[0], files[1], ticks, memory, stages);
        else {
            TPicture picture;
            Convert(picture, files[0], files[1], stages);
        }
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
