#include "SourcePictures.h"

#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"

#include <algorithm>

#include <windows.h>

bool IsPictureName(const AnsiString& name)
{
    AnsiString extension = AnsiLowerCase(GraphicFileExtension(name));
    return extension == "jpg" || extension == "jpeg" || extension == "bmp";
}

bool NameBefore(const AnsiString& a, const AnsiString& b)
{
    AnsiString la = AnsiLowerCase(a);
    AnsiString lb = AnsiLowerCase(b);
    if (la != lb)
        return la < lb;
    return a < b;
}

std::vector<SourcePicture> ListPictures(const AnsiString& folder, OtherEntries* others)
{
    OtherEntries skipped;
    std::vector<SourcePicture> pictures;
    WIN32_FIND_DATAA entry {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return pictures;
    do {
        AnsiString name = entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != "." && name != "..")
                skipped.folders.push_back(name);
            continue;
        }
        if (!IsPictureName(name)) {
            skipped.files.push_back(name);
            continue;
        }
        AnsiString extension = GraphicFileExtension(name);
        pictures.push_back({ name, name.substr(0, name.size() - extension.size() - 1) });
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(pictures.begin(), pictures.end(),
        [](const SourcePicture& a, const SourcePicture& b) { return NameBefore(a.name, b.name); });
    if (others) {
        std::sort(skipped.files.begin(), skipped.files.end(), NameBefore);
        std::sort(skipped.folders.begin(), skipped.folders.end(), NameBefore);
        *others = std::move(skipped);
    }
    return pictures;
}

std::unique_ptr<TBitmap> ReadPicture(const AnsiString& path, bool quick)
{
    TPicture picture;
    picture.LoadFile(path);
    TGraphic* graphic = picture.Graphic();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic); jpeg && quick)
        jpeg->SetScale(jsEighth);
    auto bitmap = std::make_unique<TBitmap>();
    if (graphic)
        bitmap->Assign(graphic);
    if (bitmap->Empty() || bitmap->Width() <= 0 || bitmap->Height() <= 0)
        throw EInvalidGraphic("the picture is empty");
    return bitmap;
}
