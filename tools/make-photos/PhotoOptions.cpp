#include "PhotoOptions.h"

#include "MinutePlan.h"

#include <cstring>

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

bool ParseSize(const char* text, int& width, int& height)
{
    const char* x = std::strpbrk(text, "xX");
    if (!x)
        return false;
    AnsiString w(text, x - text);
    width = ParseCount(w.c_str(), MaxPhotoSide);
    height = ParseCount(x + 1, MaxPhotoSide);
    return width > 0 && height > 0;
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

std::optional<PhotoOptions> ParsePhotoOptions(int count, const char* const* args)
{
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
            options.every = ParseCount(args[++i], MinutesPerDay);
            if (!options.every)
                return std::nullopt;
        } else if (std::strcmp(arg, "--size") == 0 && i + 1 < count) {
            if (!ParseSize(args[++i], options.width, options.height))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return options;
}
