#include "PhotoOptions.h"

#include "MinutePlan.h"

#include "runtime/Exceptions.h"

#include <cstring>
#include <string>

#include <windows.h>

namespace {

// A whole decimal number from 1 to the limit, or 0.
int ParseCount(const char* text, int limit)
{
    if (!*text)
        return 0;
    long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        value = value * 10 + (*p - '0');
        if (value > limit)
            return 0;
    }
    return static_cast<int>(value);
}

// "WxH" with both sides from 1 to MaxPhotoSide; otherwise what is wrong with it.
AnsiString ParseSize(const char* text, int& width, int& height)
{
    const AnsiString limit = std::to_string(MaxPhotoSide);
    const char* x = std::strpbrk(text, "xX");
    if (!x)
        return "--size " + AnsiString(text) + ": expected WxH, two whole numbers from 1 to " + limit
            + ", e.g. 1280x960";
    AnsiString w(text, x - text);
    width = ParseCount(w.c_str(), MaxPhotoSide);
    height = ParseCount(x + 1, MaxPhotoSide);
    if (width > 0 && height > 0)
        return {};
    return "--size " + AnsiString(text) + ": width and height must each be a whole number from 1 to " + limit
        + " (WxH, e.g. 1280x960)";
}

}

AnsiString TrimFolder(AnsiString folder)
{
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')
        && ByteKindAt(folder, folder.size() - 1) == ByteKind::Single) {
        if (folder.size() == 3 && folder[1] == ':')
            break;
        folder.pop_back();
    }
    return folder;
}

AnsiString FolderProblem(const AnsiString& folder)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? AnsiString() : AnsiString("not a folder");
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return "no such folder";
    return SystemErrorMessage(error);
}

std::optional<PhotoOptions> ParsePhotoOptions(int count, const char* const* args, AnsiString* problem)
{
    auto refuse = [problem](const AnsiString& text) -> std::optional<PhotoOptions> {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    if (count < 3 || std::strcmp(args[0], "--from") != 0)
        return std::nullopt;
    PhotoOptions options;
    options.source = TrimFolder(args[1]);
    options.dest = TrimFolder(args[2]);
    if (options.source.empty() || options.dest.empty() || options.source[0] == '-' || options.dest[0] == '-')
        return std::nullopt;
    for (int i = 3; i < count; ++i) {
        const char* arg = args[i];
        if (std::strcmp(arg, "--clock") == 0) {
            options.clock = true;
        } else if (std::strcmp(arg, "--force") == 0) {
            options.force = true;
        } else if (std::strcmp(arg, "--every") == 0 && i + 1 < count) {
            const char* value = args[++i];
            options.every = ParseCount(value, MinutesPerDay);
            if (!options.every)
                return refuse("--every " + AnsiString(value) + ": minutes must be a whole number from 1 to 1440");
        } else if (std::strcmp(arg, "--size") == 0 && i + 1 < count) {
            AnsiString wrong = ParseSize(args[++i], options.width, options.height);
            if (!wrong.empty())
                return refuse(wrong);
        } else if (std::strncmp(arg, "--size=", 7) == 0 || std::strncmp(arg, "--every=", 8) == 0) {
            const char* equals = std::strchr(arg, '=');
            return refuse(AnsiString(arg) + ": put a space, not \"=\", between " + AnsiString(arg, equals - arg)
                + " and its value");
        } else {
            return std::nullopt;
        }
    }
    if (options.clock && options.every > 1)
        return refuse("--clock with --every " + std::to_string(options.every)
            + ": the time drawn on a photo would be wrong for the minutes until the next photo; "
              "use --clock with a photo for every minute (--every 1, the default)");
    return options;
}
