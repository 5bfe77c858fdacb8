// scan-bench.exe [SIZE...]: how long the wallpaper clock's folder scans take on a
// folder of SIZE photos (default 1440 5000 10000 20000): the tick's scan (the file
// list given the minute's mask "sv_*_HHMM*.jpg", the folder read again) and the
// folder choice's listing (the mask "sv*", every photo's name into the sorted list).
// Each folder holds sv_x_HHMM.jpg for every minute of the day and, beyond 1 440,
// further photos sv_NNNNN_HHMM.jpg spread over the minutes (empty files: neither scan
// reads them). Prints a markdown table of medians in milliseconds.
#include "files/FileListBox.h"
#include "frame/Form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <windows.h>

namespace {

// Milliseconds from a fixed point.
double NowMs()
{
    LARGE_INTEGER count {}, frequency {};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A fresh folder under the temporary folder; removed with its files at the end.
class PhotoFolder {
public:
    explicit PhotoFolder(int size)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        char name[64];
        std::snprintf(name, sizeof name, "sv_scan_bench_%lu_%d", GetCurrentProcessId(), size);
        m_path = AnsiString(temp) + name;
        CreateDirectoryA(m_path.c_str(), nullptr);
        for (int i = 0; i < size; ++i) {
            const int minute = i % 1440;
            char file[64];
            if (i < 1440)
                std::snprintf(file, sizeof file, "sv_x_%02d%02d.jpg", minute / 60, minute % 60);
            else
                std::snprintf(file, sizeof file, "sv_%05d_%02d%02d.jpg", i, minute / 60, minute % 60);
            AnsiString path = m_path + "\\" + file;
            HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle == INVALID_HANDLE_VALUE) {
                std::fprintf(stderr, "scan-bench: cannot create %s\n", path.c_str());
                std::exit(1);
            }
            CloseHandle(handle);
            m_files.push_back(path);
        }
    }
    ~PhotoFolder()
    {
        for (const AnsiString& file : m_files)
            DeleteFileA(file.c_str());
        RemoveDirectoryA(m_path.c_str());
    }
    PhotoFolder(const PhotoFolder&) = delete;
    PhotoFolder& operator=(const PhotoFolder&) = delete;

    const AnsiString& Path() const { return m_path; }

private:
    AnsiString m_path;
    std::vector<AnsiString> m_files;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Ms(double from)
{
    return NowMs() - from;
}

struct Figures {
    int size;
    double scanMs;
    int scanItems;
    double listingMs;
    int listingItems;
};

Figures Measure(TFileListBox& list, int size)
{
    PhotoFolder folder(size);
    list.SetMask("none*");
    list.SetFolder(folder.Path());

    Figures figures { size, 0, 0, 0, 0 };
    // The tick: a new minute's mask each time, so the folder is read every time.
    std::vector<double> scans;
    for (int run = 0; run < 21; ++run) {
        const int minute = (run * 97) % 1440;
        char mask[24];
        std::snprintf(mask, sizeof mask, "sv_*_%02d%02d*.jpg", minute / 60, minute % 60);
        double from = NowMs();
        list.SetMask(mask);
        scans.push_back(Ms(from));
        figures.scanItems = list.Count();
    }
    figures.scanMs = Median(scans);

    // The folder choice: "sv*" after another mask.
    std::vector<double> listings;
    for (int run = 0; run < 5; ++run) {
        list.SetMask("none*");
        double from = NowMs();
        list.SetMask("sv*");
        listings.push_back(Ms(from));
        figures.listingItems = list.Count();
    }
    figures.listingMs = Median(listings);
    list.SetMask("none*");
    return figures;
}

}

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = { 1440, 5000, 10000, 20000 };

    AnsiString startFolder(MAX_PATH, '\0');
    startFolder.resize(GetCurrentDirectoryA(MAX_PATH, startFolder.data()));
    std::vector<Figures> all;
    try {
        auto form = MakeComponent<TForm>(TFormSource::None);
        auto* list = MakeOwned<TFileListBox>(form.get());
        list->SetParent(form.get());
        for (int size : sizes) {
            if (size <= 0)
                continue;
            all.push_back(Measure(*list, size));
            SetCurrentDirectoryA(startFolder.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scan-bench: %s\n", error.what());
        return 1;
    }

    std::printf("| photos in the folder | tick scan, one minute's mask (ms) | names found | \"sv*\" listing (ms) | names listed | listing ms per 1 000 names |\n");
    std::printf("| ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (const Figures& f : all)
        std::printf("| %d | %.2f | %d | %.1f | %d | %.2f |\n", f.size, f.scanMs, f.scanItems, f.listingMs, f.listingItems,
            f.listingMs * 1000.0 / f.size);
    return 0;
}
