#include "files/PathParts.h"

namespace {

// Calls the visitor with the 0-based index of every character start: single bytes
// and lead bytes, never trail bytes. A lead byte at the end stands alone.
template<typename Visitor> void ForEachCharacter(const AnsiString& text, Visitor visit)
{
    for (std::size_t i = 0; i < text.size();) {
        bool pair = IsLeadByte(text[i]) && i + 1 < text.size();
        visit(i, pair);
        i += pair ? 2 : 1;
    }
}

}

AnsiString ExtractFilePath(const AnsiString& path) { return path.substr(0, LastDelimiter("\\:", path)); }

AnsiString ExtractFileDir(const AnsiString& path)
{
    std::size_t end = LastDelimiter("\\:", path);
    if (end > 1 && path[end - 1] == '\\') {
        // The byte before the final "\" keeps it only when it is ":" or a "\" that
        // is a character of its own.
        char before = path[end - 2];
        bool keep = before == ':' || (before == '\\' && ByteKindAt(path, end - 2) != ByteKind::Trail);
        if (!keep)
            --end;
    }
    return path.substr(0, end);
}

AnsiString ExtractFileName(const AnsiString& path) { return path.substr(LastDelimiter("\\:", path)); }

AnsiString ExtractFileExt(const AnsiString& path)
{
    std::size_t at = LastDelimiter(".\\:", path);
    if (at > 0 && path[at - 1] == '.')
        return path.substr(at - 1);
    return {};
}

AnsiString ExtractFileDrive(const AnsiString& path)
{
    if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(path[0]))
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // Server and share: up to the "\" that follows the share name.
        int separators = 0;
        std::size_t end = path.size();
        AnsiString rest = path.substr(2);
        bool done = false;
        ForEachCharacter(rest, [&](std::size_t i, bool pair) {
            if (done || pair || rest[i] != '\\')
                return;
            if (++separators == 2) {
                end = i + 2;
                done = true;
            }
        });
        return path.substr(0, end);
    }
    return {};
}

AnsiString ChangeFileExt(const AnsiString& path, const AnsiString& extension)
{
    std::size_t at = LastDelimiter(".\\:", path);
    if (at == 0 || path[at - 1] != '.')
        at = path.size() + 1;
    return path.substr(0, at - 1) + extension;
}

int CompareFileNames(const AnsiString& a, const AnsiString& b)
{
    return AnsiCompareStr(AnsiLowerCase(a), AnsiLowerCase(b));
}
