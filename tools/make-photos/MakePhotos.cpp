// make-photos: writes sample photos for the wallpaper clock, so that a new user has a
// working photo set without a camera.
//
//   make-photos.exe FOLDER [FIRST LAST]
//       Writes FOLDER\sv_demo_HHMM.jpg for every minute of the day, or for the
//       minutes FIRST to LAST (HHMM, both included; a range may run past midnight,
//       2358 0002). The folder is made when it does not exist. Each photo shows its
//       own HH:MM over a sky that follows the time of day.
//
//   make-photos.exe --from SOURCE DEST [--every MINUTES] [--size WxH] [--clock] [--force]
//       Makes a set from the JPEG and BMP pictures of SOURCE (PhotoSet.h).
//
//   make-photos.exe --check FOLDER
//       Tells what the wallpaper clock will do with FOLDER at each minute of the day:
//       minutes without a photo, minutes with several, photos that cannot be read,
//       files it never uses (PhotoCheck.h). Exit code 0 when every minute is covered.
//
// Bad arguments print the usage and exit with 2; a photo that cannot be written
// prints the error and exits with 1.
#include "MinutePlan.h"
#include "PhotoCheck.h"
#include "PhotoPainter.h"
#include "PhotoSet.h"

#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"
#include "runtime/Exceptions.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include <windows.h>

namespace {

int Usage()
{
    std::fprintf(stderr,
        "usage: make-photos.exe FOLDER [FIRST LAST]\n"
        "  FIRST, LAST: HHMM (0000 to 2359), both included\n"
        "       make-photos.exe --from SOURCE DEST [--every MINUTES] [--size WxH] [--clock] [--force]\n"
        "  MINUTES: 1 to 1440 (default 1: a photo for every minute); W, H: 1 to %d;\n"
        "  --clock only with a photo for every minute\n"
        "       make-photos.exe --check FOLDER\n",
        MaxPhotoSide);
    return 2;
}

// Minute of the day of an "HHMM" stamp, or -1.
int ParseStamp(const char* text)
{
    if (std::strlen(text) != 4)
        return -1;
    for (int i = 0; i < 4; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
    }
    int hour = (text[0] - '0') * 10 + (text[1] - '0');
    int minute = (text[2] - '0') * 10 + (text[3] - '0');
    if (hour > 23 || minute > 59)
        return -1;
    return hour * 60 + minute;
}

void WritePhoto(const AnsiString& folder, int minute)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\sv_demo_%02d%02d.jpg", minute / 60, minute % 60);
    std::unique_ptr<TBitmap> bitmap = PaintPhoto(minute);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap.get());
    jpeg.SaveFile(folder + name);
}

}

int main(int argc, char** argv)
{
    RegisterJPEGGraphic();
    if (argc > 1 && std::strcmp(argv[1], "--from") == 0) {
        AnsiString problem;
        std::optional<PhotoOptions> options = ParsePhotoOptions(argc - 1, argv + 1, &problem);
        if (!options) {
            if (!problem.empty())
                std::fprintf(stderr, "make-photos: %s\n", problem.c_str());
            return Usage();
        }
        return MakePhotoSet(*options, stdout, stderr);
    }
    if (argc > 1 && std::strcmp(argv[1], "--check") == 0) {
        if (argc != 3 || !*argv[2] || argv[2][0] == '-')
            return Usage();
        return CheckPhotoFolder(TrimFolder(argv[2]), stdout, stderr);
    }
    if (argc != 2 && argc != 4)
        return Usage();
    // A name ending in a double-byte character whose trail byte is "\\" keeps it.
    AnsiString folder = TrimFolder(argv[1]);
    int first = 0;
    int last = MinutesPerDay - 1;
    if (argc == 4) {
        first = ParseStamp(argv[2]);
        last = ParseStamp(argv[3]);
        if (first < 0 || last < 0)
            return Usage();
    }
    if (folder.empty())
        return Usage();
    CreateDirectoryA(folder.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "%s: not a folder\n", folder.c_str());
        return 1;
    }

    int count = (last - first + MinutesPerDay) % MinutesPerDay + 1;
    try {
        for (int i = 0; i < count; ++i)
            WritePhoto(folder, (first + i) % MinutesPerDay);
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
    std::printf("%d photos in %s\n", count, folder.c_str());
    return 0;
}
