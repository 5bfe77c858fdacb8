#include "PhotoSet.h"

#include "MinutePlan.h"
#include "PhotoMaker.h"
#include "SourcePictures.h"

#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"
#include "runtime/Exceptions.h"

#include <vector>

#include <windows.h>

namespace {

bool IsFolder(const AnsiString& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const AnsiString& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// True when both paths name one existing folder, however they are spelt.
bool SameFolder(const AnsiString& a, const AnsiString& b)
{
    auto identify = [](const AnsiString& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        bool known = GetFileInformationByHandle(handle, &info);
        CloseHandle(handle);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first {}, second {};
    return identify(a, first) && identify(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
        && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// "2 files not JPEG or BMP: a.png, b.txt", or the same for sub-folders.
void ReportNames(
    const std::vector<AnsiString>& names, const char* one, const char* many, const char* what, std::FILE* to)
{
    if (names.empty())
        return;
    std::fprintf(to, "%zu %s %s: ", names.size(), names.size() == 1 ? one : many, what);
    for (std::size_t i = 0; i < names.size(); ++i)
        std::fprintf(to, "%s%s", i ? ", " : "", names[i].c_str());
    std::fprintf(to, "\n");
}

// Nothing in SOURCE is passed over in silence.
void ReportOthers(const OtherEntries& others, std::FILE* to)
{
    ReportNames(others.files, "file", "files", "not JPEG or BMP, not used", to);
    ReportNames(others.folders, "sub-folder", "sub-folders",
        "not read (only the pictures directly in the folder are used)", to);
}

// What the run did so far, and the progress lines of a long one.
struct Tally {
    int toWrite = 0; // files the plan writes (the kept ones not counted)
    int written = 0;
    int kept = 0;    // already in DEST and left alone
    int skipped = 0; // pictures that could not be read
    long long bytes = 0;
    int firstMinute = -1;
    int lastMinute = -1;
    int reportedTenths = 0;

    void Written(int minute, long long size, std::FILE* out)
    {
        ++written;
        bytes += size;
        if (firstMinute < 0)
            firstMinute = minute;
        lastMinute = minute;
        // A line at every tenth of a long run.
        if (toWrite >= 100 && written * 10 / toWrite > reportedTenths) {
            reportedTenths = written * 10 / toWrite;
            std::fprintf(out, "%d / %d files\n", written, toWrite);
            std::fflush(out);
        }
    }
};

// The photos of one picture's run that are still to be written (all of them with
// --force); the others are counted as kept.
std::vector<int> StepsToWrite(const PhotoOptions& options, const AnsiString& stem, const MinuteRun& run, Tally& tally)
{
    std::vector<int> steps;
    for (int step = run.first; step < run.first + run.count; ++step) {
        if (!options.force && Exists(options.dest + "\\" + PhotoFileName(stem, step * options.every))) {
            ++tally.kept;
            continue;
        }
        steps.push_back(step);
    }
    return steps;
}

// Writes the photos of one picture. False when the picture could not be read (the
// reason is printed); a photo that cannot be written raises its error.
bool WritePicture(const PhotoOptions& options, const SourcePicture& picture, const std::vector<int>& steps,
    Tally& tally, std::FILE* out, std::FILE* err)
{
    std::unique_ptr<TBitmap> source;
    try {
        source = ReadPicture(options.source + "\\" + picture.name, false);
    } catch (const std::exception& error) {
        std::fprintf(err, "skipped %s: %s\n", picture.name.c_str(), error.what());
        return false;
    }
    SIZE size = FitSize(source->Width(), source->Height(), options.width, options.height);
    std::unique_ptr<TBitmap> scaled = ScaledCopy(*source, size);
    source.reset();

    const AnsiString stem = SafeStem(picture.stem);
    TJPEGImage same; // without a clock every photo of the picture has the same bytes
    if (!options.clock)
        same.Assign(scaled.get());
    for (int step : steps) {
        const int minute = step * options.every;
        const AnsiString path = options.dest + "\\" + PhotoFileName(stem, minute);
        long long bytes;
        if (options.clock) {
            std::unique_ptr<TBitmap> photo = ScaledCopy(*scaled, size);
            DrawClock(*photo, ClockText(minute));
            TJPEGImage jpeg;
            jpeg.Assign(photo.get());
            bytes = WriteJpeg(jpeg, path);
        } else {
            bytes = WriteJpeg(same, path);
        }
        tally.Written(minute, bytes, out);
    }
    return true;
}

}

int MakePhotoSet(const PhotoOptions& options, std::FILE* out, std::FILE* err)
{
    if (const AnsiString problem = FolderProblem(options.source); !problem.empty()) {
        std::fprintf(err, "%s: %s\n", options.source.c_str(), problem.c_str());
        return 1;
    }
    OtherEntries others;
    std::vector<SourcePicture> pictures = ListPictures(options.source, &others);
    // A set made inside the folder of its pictures: its photos are not pictures to
    // make it from, or every run would add photos of photos.
    if (IsFolder(options.dest) && SameFolder(options.source, options.dest)) {
        const std::size_t photos =
            std::erase_if(pictures, [](const SourcePicture& picture) { return IsPhotoName(picture.name); });
        if (photos)
            std::fprintf(out, "%zu photos of a set in %s are not taken as pictures\n", photos, options.source.c_str());
    }
    if (pictures.empty()) {
        std::fprintf(err, "%s: no JPEG or BMP pictures in this folder\n", options.source.c_str());
        ReportOthers(others, err);
        return 1;
    }

    // Which pictures can be read decides who covers which minutes.
    std::vector<bool> readable(pictures.size(), false);
    Tally tally;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        try {
            ReadPicture(options.source + "\\" + pictures[i].name, true);
            readable[i] = true;
        } catch (const std::exception& error) {
            // A picture too large for memory is as unreadable as a damaged one.
            std::fprintf(err, "skipped %s: %s\n", pictures[i].name.c_str(), error.what());
            ++tally.skipped;
        }
    }
    if (tally.skipped == static_cast<int>(pictures.size())) {
        std::fprintf(err, "%s: none of the pictures in this folder can be read\n", options.source.c_str());
        return 1;
    }

    if (!IsFolder(options.dest) && !CreateDirectoryA(options.dest.c_str(), nullptr)) {
        std::fprintf(
            err, "%s: cannot make the folder: %s\n", options.dest.c_str(), SystemErrorMessage(GetLastError()).c_str());
        return 1;
    }

    const int steps = StepsPerDay(options.every);
    std::vector<MinuteRun> runs = PlanRuns(steps, readable);
    std::vector<std::vector<int>> toWrite(pictures.size());
    int unused = 0; // readable pictures left without minutes: more of them than steps
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (readable[i] && !runs[i].count)
            ++unused;
        toWrite[i] = StepsToWrite(options, SafeStem(pictures[i].stem), runs[i], tally);
        tally.toWrite += static_cast<int>(toWrite[i].size());
    }

    int lost = 0; // steps of pictures that could be read at first but no longer
    try {
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            if (toWrite[i].empty())
                continue;
            if (!WritePicture(options, pictures[i], toWrite[i], tally, out, err)) {
                ++tally.skipped;
                lost += static_cast<int>(toWrite[i].size());
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(err, "%s\n", error.what());
        return 1;
    }

    std::fprintf(out, "%d %s written to %s, %lld bytes", tally.written, tally.written == 1 ? "file" : "files",
        options.dest.c_str(), tally.bytes);
    if (tally.written)
        std::fprintf(out, ", %s to %s", ClockText(tally.firstMinute).c_str(), ClockText(tally.lastMinute).c_str());
    std::fprintf(
        out, "; %d kept, %d %s skipped\n", tally.kept, tally.skipped, tally.skipped == 1 ? "picture" : "pictures");
    if (tally.kept && !tally.written)
        std::fprintf(out, "the set was already there: --force writes it again\n");
    if (unused)
        std::fprintf(out, "%d %s not used: there are more pictures than photos in a day\n", unused,
            unused == 1 ? "picture" : "pictures");
    ReportOthers(others, out);
    if (options.every > 1 && (tally.written || tally.kept))
        std::fprintf(out,
            "the wallpaper changes only every %d minutes: after the program starts, the first photo "
            "may take up to %d minutes to appear\n",
            options.every, options.every - 1);
    if (tally.written || tally.kept)
        std::fprintf(out, "check what the program will show with: make-photos --check %s\n", options.dest.c_str());
    if (lost) {
        // The day has a hole: the run did not do what was asked, whatever it wrote.
        std::fprintf(err, "%d minutes are not covered: their picture could no longer be read\n", lost);
        return 1;
    }
    return 0;
}
