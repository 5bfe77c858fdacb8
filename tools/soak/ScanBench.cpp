// scan-bench.exe FOLDER...: how long the wallpaper clock's folder scans take on
// folders of photos: the tick's scan (the file list given a minute's mask
// "sv_*_HHMM*.jpg", the folder read again; 21 minutes) and the folder choice's listing
// (the mask "sv*", every photo's name into the sorted list; 5 times). Prints a
// markdown table of medians in milliseconds, one row per folder, with the number of
// names the "sv*" listing holds.
#include "Milliseconds.h"
#include "files/FileListBox.h"
#include "frame/Form.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <windows.h>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Ms(double from) { return NowMs() - from; }

struct Figures {
    int size;
    double scanMs;
    int scanItems;
    double listingMs;
    int listingItems;
};

Figures Measure(TFileListBox& list, const AnsiString& folder)
{
    list.SetMask("none*");
    list.SetFolder(folder);

    Figures figures { 0, 0, 0, 0, 0 };
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
    figures.size = figures.listingItems;
    list.SetMask("none*");
    return figures;
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan-bench FOLDER...\n");
        return 2;
    }

    AnsiString startFolder(MAX_PATH, '\0');
    startFolder.resize(GetCurrentDirectoryA(MAX_PATH, startFolder.data()));
    std::vector<Figures> all;
    try {
        auto form = MakeComponent<TForm>(TFormSource::None);
        auto* list = MakeOwned<TFileListBox>(form.get());
        list->SetParent(form.get());
        for (int i = 1; i < argc; ++i) {
            all.push_back(Measure(*list, argv[i]));
            SetCurrentDirectoryA(startFolder.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scan-bench: %s\n", error.what());
        return 1;
    }

    std::printf(
        "| \"sv*\" names in the folder | tick scan, one minute's mask (ms) | names found | \"sv*\" listing (ms) | listing ms per 1 000 names |\n");
    std::printf("| ---: | ---: | ---: | ---: | ---: |\n");
    for (const Figures& f : all)
        std::printf("| %d | %.2f | %d | %.1f | %.2f |\n", f.size, f.scanMs, f.scanItems, f.listingMs,
            f.size ? f.listingMs * 1000.0 / f.size : 0.0);
    return 0;
}
