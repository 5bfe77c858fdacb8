#include "PhotoToolSupport.h"

#include "common/StartUp.h"
#include "common/TestSupport.h"
#include "files/FileSearch.h"
#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "graphics/support/SolidBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The program registers the JPEG graphic at start-up, before any picture is read.
const testing::Environment* const jpegGraphic = RunBeforeTests(&RegisterJPEGGraphic);

// The tool's path as the build gives it: a Linux path is reached through drive Z:.
AnsiString ToolPath()
{
    AnsiString path = SV_MAKE_PHOTOS;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

HANDLE InheritableFile(const AnsiString& path)
{
    SECURITY_ATTRIBUTES security { sizeof security, nullptr, TRUE };
    return CreateFileA(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}

ToolRun RunMakePhotos(const std::vector<AnsiString>& args, const AnsiString& scratch)
{
    AnsiString command = "\"" + ToolPath() + "\"";
    for (const AnsiString& arg : args)
        command += " \"" + arg + "\"";
    const AnsiString outPath = scratch + "\\tool_out.txt";
    const AnsiString errPath = scratch + "\\tool_err.txt";
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process {};
    ToolRun run;
    if (StartProcess(command, true, startup, process)) {
        if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 9);
            const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
            run.err = "timed out after 120 s" + AnsiString(ended ? ", ended: " : " and could not be ended: ") + command
                + "\n";
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        const DWORD error = GetLastError(); // before any allocation below can change it
        run.err = "cannot start " + command + " (error " + std::to_string(error) + ")\n";
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out += ReadFileBytes(outPath);
    run.err += ReadFileBytes(errPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return run;
}

void WritePicture(const AnsiString& path, int width, int height, COLORREF color)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    PaintSolid(bitmap, width, height, static_cast<TColor>(color));
    if (AnsiLowerCase(GraphicFileExtension(path)) == "bmp") {
        bitmap.SaveFile(path);
        return;
    }
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SaveFile(path);
}

AnsiString BmpBytes(int width, int height, int bits, const std::vector<COLORREF>& palette, const AnsiString& pixels,
    DWORD compression, bool os2)
{
    auto put = [](AnsiString& to, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            to += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    AnsiString info;
    if (os2) {
        put(info, 12, 4), put(info, width, 2), put(info, height, 2), put(info, 1, 2), put(info, bits, 2);
    } else {
        put(info, 40, 4), put(info, width, 4), put(info, height, 4), put(info, 1, 2), put(info, bits, 2);
        put(info, compression, 4), put(info, static_cast<std::uint32_t>(pixels.size()), 4);
        put(info, 0, 4), put(info, 0, 4), put(info, static_cast<std::uint32_t>(palette.size()), 4), put(info, 0, 4);
    }
    for (COLORREF color : palette) {
        put(info, GetBValue(color) | GetGValue(color) << 8 | GetRValue(color) << 16, os2 ? 3 : 4);
    }
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(info.size());
    AnsiString file = "BM";
    put(file, offset + static_cast<std::uint32_t>(pixels.size()), 4), put(file, 0, 4), put(file, offset, 4);
    return file + info + pixels;
}

std::unique_ptr<TBitmap> ReadBack(const AnsiString& path)
{
    TPicture picture;
    picture.LoadFile(path);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(picture.Graphic());
    return bitmap;
}

COLORREF MiddleColor(TBitmap& bitmap)
{
    return static_cast<COLORREF>(bitmap.Canvas()->Pixels(bitmap.Width() / 2, bitmap.Height() / 2));
}

bool NearColor(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
        && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::vector<AnsiString> Matching(const AnsiString& folder, const AnsiString& pattern)
{
    std::vector<AnsiString> names;
    TSearchRec record;
    for (int found = FindFirstEntry(folder + "\\" + pattern, 0, record); found == 0; found = FindNextEntry(record))
        names.push_back(record.Name);
    EndSearch(record);
    return names;
}
