#include "graphics/support/JpegTestData.h"
#include "common/ExpectThrow.h"
#include "common/TestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/FileFormatsList.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"
#include "graphics/support/SolidBitmap.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include <psapi.h>

#include <jerror.h>

namespace {

std::unique_ptr<TJPEGImage> LoadJpeg(const AnsiString& bytes)
{
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(bytes);
    image->LoadStream(stream);
    return image;
}

AnsiString Saved(TGraphic& graphic)
{
    TMemoryStream out;
    graphic.SaveStream(out);
    return out.Bytes();
}

// The message of the EJPEG that the action raises, or "" when it raises none.
template<typename Action> AnsiString JpegError(Action action)
{
    try {
        action();
    } catch (const EJPEG& e) {
        return e.Message();
    }
    return "";
}

AnsiString JpegMessage(int code) { return Format("JPEG エラー #%d", code); }

COLORREF Pixel(TBitmap* bitmap, int x, int y) { return DibPixel(bitmap->Handle(), x, y); }

struct ProgressLog {
    std::vector<TProgressStage> stages;
    std::vector<int> percents;
    TProgressEvent Handler()
    {
        return [this](TObject*, TProgressStage stage, std::uint8_t percent, bool, const RECT&, const AnsiString&) {
            stages.push_back(stage);
            percents.push_back(percent);
        };
    }
};

} // namespace

TEST(JPEGImage, RegisteredForJpegAndJpgAtStartUp)
{
    TPicture picture;
    const auto& records = TFileFormatsList::Instance().Records();
    int found = 0;
    for (const auto& r : records)
        if (r.graphicClass == TJPEGImage::StaticClass()) {
            EXPECT_EQ(r.extension, found == 0 ? "jpeg" : "jpg");
            EXPECT_EQ(r.description, "JPEG イメージファイル");
            ++found;
        }
    EXPECT_EQ(found, 2);
    EXPECT_FALSE(TPicture::SupportsClipboardData(CF_DIB)); // no clipboard format of its own

    TempFolder dir;
    for (const char* name : { "a.JPG", "b.Jpeg", "c.jpg" }) {
        picture.LoadFile(dir.Write(name, JpegTestFile("color.jpg")));
        ASSERT_NE(picture.Graphic(), nullptr) << name;
        EXPECT_EQ(picture.Graphic()->ClassType(), TJPEGImage::StaticClass()) << name;
        EXPECT_EQ(picture.Width(), 40);
    }
    EXPECT_THROW(picture.LoadFile(dir.Write("d.jpe", JpegTestFile("color.jpg"))), EInvalidGraphic);
}

TEST(JPEGImage, LoadingReadsOnlyTheHeaderAndDecodesOnceOnDemand)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    EXPECT_EQ(image->Width(), 40);
    EXPECT_EQ(image->Height(), 30);
    EXPECT_FALSE(image->ProgressiveEncoding());
    EXPECT_FALSE(image->Empty());
    EXPECT_TRUE(image->PaletteModified());
    ProgressLog log;
    image->SetOnProgress(log.Handler());
    int changes = 0;
    image->SetOnChange([&](TObject*) { ++changes; });

    TBitmap* bitmap = image->DecodedBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap->HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_EQ(bitmap->Width(), 40);
    EXPECT_EQ(bitmap->Height(), 30);
    EXPECT_EQ(image->Width(), 40);
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 30, 5), RGB(180, 40, 96), 10));
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 10, 25), RGB(60, 200, 96), 10));
    EXPECT_EQ(log.stages, (std::vector<TProgressStage> { psStarting, psEnding }));
    EXPECT_EQ(log.percents, (std::vector<int> { 0, 100 }));
    EXPECT_EQ(changes, 1); // palette modified
    EXPECT_EQ(image->DecodedBitmap(), bitmap);
    EXPECT_EQ(log.stages.size(), 2u);
}

TEST(JPEGImage, ProgressiveFileDecodesInOnePassUnlessProgressiveDisplayIsOn)
{
    auto image = LoadJpeg(JpegTestFile("progressive.jpg"));
    EXPECT_TRUE(image->ProgressiveEncoding());
    EXPECT_FALSE(image->ProgressiveDisplay());
    ProgressLog log;
    image->SetOnProgress(log.Handler());
    TBitmap* bitmap = image->DecodedBitmap();
    EXPECT_EQ(log.stages, (std::vector<TProgressStage> { psStarting, psEnding }));
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 30, 5), RGB(180, 40, 96), 10));

    // With progressive display the coarse scans are shown first; the end result is
    // the same picture.
    auto shown = LoadJpeg(JpegTestFile("progressive.jpg"));
    shown->SetProgressiveDisplay(true);
    TBitmap* final = shown->DecodedBitmap();
    EXPECT_TRUE(CloseColor(Pixel(final, 30, 5), RGB(180, 40, 96), 10));
    EXPECT_TRUE(CloseColor(Pixel(final, 10, 25), RGB(60, 200, 96), 10));
}

TEST(JPEGImage, GrayscaleDecodesToEightBitsWithAGrayPalette)
{
    auto image = LoadJpeg(JpegTestFile("gray.jpg"));
    EXPECT_TRUE(image->Data()->grayscale);
    TBitmap* bitmap = image->DecodedBitmap();
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    HPALETTE palette = bitmap->Palette();
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[256];
    UINT count = GetPaletteEntries(palette, 0, 256, entries);
    EXPECT_EQ(count, 236u);
    for (UINT i = 0; i < count; ++i)
        ASSERT_TRUE(entries[i].peRed == entries[i].peGreen && entries[i].peGreen == entries[i].peBlue) << i;
    // The picture: (3x + 4y) mod 256.
    COLORREF c = Pixel(bitmap, 20, 10);
    EXPECT_TRUE(CloseColor(c, RGB(100, 100, 100), 6));
}

TEST(JPEGImage, ColourDecodesToEightBitsWhenAsked)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    image->SetPixelFormat(jf8Bit);
    TBitmap* bitmap = image->DecodedBitmap();
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    PALETTEENTRY entries[256];
    EXPECT_LE(GetPaletteEntries(bitmap->Palette(), 0, 256, entries), 236u);
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 30, 5), RGB(180, 40, 96), 40));
    // Turning grayscale on drops the decoded bitmap; the next decode is gray.
    image->SetGrayscale(true);
    TBitmap* gray = image->DecodedBitmap();
    COLORREF c = Pixel(gray, 30, 5);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
}

TEST(JPEGImage, OnePixelHighDecodes)
{
    auto image = LoadJpeg(JpegTestFile("row.jpg"));
    TBitmap* bitmap = image->DecodedBitmap();
    EXPECT_EQ(bitmap->Width(), 33);
    EXPECT_EQ(bitmap->Height(), 1);
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 0, 0), RGB(255, 0, 0), 12));
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 20, 0), RGB(255, 140, 0), 12));
}

TEST(JPEGImage, BmpBytesInAJpgFileFailAtLoadAndThePictureKeepsItsGraphic)
{
    TempFolder dir;
    TPicture picture;
    picture.LoadFile(dir.Write("good.jpg", JpegTestFile("color.jpg")));
    TGraphic* old = picture.Graphic();
    int changes = 0;
    picture.SetOnChange([&](TObject*) { ++changes; });
    AnsiString bmp = dir.Write("photo.jpg", SmallBmpFile());
    EXPECT_EQ(JpegError([&] { picture.LoadFile(bmp); }), JpegMessage(JERR_NO_SOI));
    EXPECT_EQ(picture.Graphic(), old);
    EXPECT_EQ(changes, 0);
}

TEST(JPEGImage, FileCutAfterItsHeaderLoadsAndDecodesWithTheLibrarysFill)
{
    AnsiString bytes = JpegTestFile("color.jpg");
    std::size_t sos = bytes.find("\xFF\xDA");
    std::size_t length = (static_cast<unsigned char>(bytes[sos + 2]) << 8) | static_cast<unsigned char>(bytes[sos + 3]);
    auto image = LoadJpeg(bytes.substr(0, sos + 2 + length));
    EXPECT_EQ(image->Width(), 40);
    TBitmap* bitmap = nullptr;
    EXPECT_EQ(JpegError([&] { bitmap = image->DecodedBitmap(); }), "");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixel(bitmap, 0, 0), RGB(70, 70, 70));
    EXPECT_EQ(Pixel(bitmap, 39, 29), RGB(128, 128, 128));
}

TEST(JPEGImage, NoBytesLoadButFailToDecodeOnce)
{
    auto image = LoadJpeg("");
    EXPECT_FALSE(image->Empty()); // it has a (zero-length) file
    EXPECT_EQ(image->Width(), 0);
    EXPECT_EQ(JpegError([&] { image->DecodedBitmap(); }), JpegMessage(JERR_INPUT_EMPTY));
    // The failed decode is not repeated: the (empty) decoded bitmap stays.
    TBitmap* bitmap = nullptr;
    EXPECT_EQ(JpegError([&] { bitmap = image->DecodedBitmap(); }), "");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(bitmap->Empty());
    // A fresh image has nothing to decode either.
    TJPEGImage fresh;
    EXPECT_TRUE(fresh.Empty());
    EXPECT_EQ(JpegError([&] { fresh.DecodedBitmap(); }), JpegMessage(JERR_INPUT_EMPTY));
}

TEST(JPEGImage, DamagedDataFailsWhenDecodedAndIsNotDecodedAgain)
{
    // The second scan of the progressive file asks for coefficients past the end of
    // a block: the header is sound, the image data is not.
    AnsiString bytes = JpegTestFile("progressive.jpg");
    std::size_t sos = bytes.find("\xFF\xDA");
    sos = bytes.find("\xFF\xDA", sos + 2);
    ASSERT_NE(sos, AnsiString::npos);
    std::size_t components = static_cast<unsigned char>(bytes[sos + 4]);
    bytes[sos + 5 + 2 * components + 1] = '\x7F'; // end of spectral selection
    auto image = LoadJpeg(bytes);
    EXPECT_EQ(image->Width(), 40);
    EXPECT_EQ(JpegError([&] { image->DecodedBitmap(); }), JpegMessage(JERR_BAD_PROGRESSION));
    EXPECT_EQ(JpegError([&] { image->DecodedBitmap(); }), "");
}

TEST(JPEGImage, SavingALoadedImageWritesItsBytesExactly)
{
    AnsiString bytes = JpegTestFile("progressive.jpg");
    auto image = LoadJpeg(bytes);
    image->DecodedBitmap();
    EXPECT_EQ(Saved(*image), bytes);
    TMemoryStream data;
    image->WriteGraphicData(data);
    ASSERT_EQ(data.Size(), static_cast<std::int32_t>(bytes.size() + 4));
    std::uint32_t count =
        static_cast<unsigned char>(data.Bytes()[0]) | static_cast<unsigned char>(data.Bytes()[1]) << 8;
    EXPECT_EQ(count, bytes.size());
    EXPECT_EQ(data.Bytes().substr(4), bytes);

    // Through a picture, whatever the file is called; and read back from stored data.
    TempFolder dir;
    TPicture picture;
    picture.Assign(image.get());
    picture.SaveFile(dir / "_tmp.dat");
    EXPECT_EQ(ReadFileBytes(dir / "_tmp.dat"), bytes);
    TMemoryStream stored;
    picture.WritePictureData(stored);
    EXPECT_EQ(stored.Bytes().substr(0, 11), AnsiString("\x0ATJPEGImage"));
    TPicture copy;
    stored.SetPosition(0);
    copy.ReadPictureData(stored);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(Saved(*copy.Graphic()), bytes);
    EXPECT_EQ(stored.Position(), stored.Size());

    // A stored count larger than what follows is a read error, not a huge allocation.
    TMemoryStream lying(AnsiString("\xFF\xFF\xFF\x7F\xFF\xD8", 6));
    TJPEGImage other;
    EXPECT_THROW(other.ReadGraphicData(lying), EReadError);
}

TEST(JPEGImage, SizeCannotBeSet)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    ExpectThrowMessage<EInvalidGraphicOperation>([&] { image->SetWidth(10); }, "JPEG イメージのサイズは変更できません");
    EXPECT_THROW(image->SetHeight(10), EInvalidGraphicOperation);
    EXPECT_EQ(image->Width(), 40);
}

TEST(JPEGImage, AssignmentSharesDataAndHandsTheBitmapOver)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    TJPEGImage copy;
    copy.Assign(image.get());
    EXPECT_EQ(copy.Data(), image->Data());
    EXPECT_TRUE(copy.SameImage(image.get()));
    TJPEGImage other;
    EXPECT_FALSE(copy.SameImage(&other));
    TBitmap plain;
    EXPECT_FALSE(copy.SameImage(&plain));

    TBitmap bitmap;
    bitmap.Assign(&copy); // decodes
    EXPECT_EQ(bitmap.Width(), 40);
    EXPECT_TRUE(CloseColor(Pixel(&bitmap, 30, 5), RGB(180, 40, 96), 10));

    // Assigning a decoded image passes its bitmap on (shared, not decoded again).
    TJPEGImage decoded;
    decoded.Assign(&copy);
    ASSERT_NE(copy.DecodedBitmap(), nullptr);
    TJPEGImage again;
    again.Assign(&copy);
    EXPECT_NE(again.DecodedBitmap(), copy.DecodedBitmap());
    EXPECT_EQ(&again.DecodedBitmap()->Image(), &copy.DecodedBitmap()->Image());

    TPersistent unrelated;
    EXPECT_THROW(copy.Assign(&unrelated), EConvertError);
}

TEST(JPEGImage, ABitmapIsEncodedWhenSaved)
{
    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    PaintSolid(source, 24, 16, RGB(200, 30, 60));

    TJPEGImage image;
    image.Assign(&source);
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 24);
    TMemoryStream before;
    image.WriteGraphicData(before); // no encoding here
    EXPECT_EQ(before.Bytes(), AnsiString(4, '\0'));
    AnsiString encoded = Saved(image);
    ASSERT_GT(encoded.size(), 100u);
    EXPECT_EQ(encoded.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(Saved(image), encoded); // encoded once

    auto back = LoadJpeg(encoded);
    EXPECT_EQ(back->Width(), 24);
    EXPECT_EQ(back->Height(), 16);
    EXPECT_FALSE(back->ProgressiveEncoding());
    EXPECT_TRUE(CloseColor(Pixel(back->DecodedBitmap(), 12, 8), RGB(200, 30, 60), 8));

    TJPEGImage progressive;
    progressive.SetProgressiveEncoding(true);
    progressive.SetGrayscale(true);
    progressive.Assign(&source);
    auto gray = LoadJpeg(Saved(progressive));
    EXPECT_TRUE(gray->ProgressiveEncoding());
    EXPECT_TRUE(gray->Data()->grayscale);

    // An empty bitmap gives no bytes.
    TBitmap empty;
    TJPEGImage none;
    none.Assign(&empty);
    EXPECT_EQ(Saved(none), "");
}

TEST(JPEGImage, CancellingFromTheProgressHandler)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    image->SetOnProgress([](TObject*, TProgressStage stage, std::uint8_t, bool, const RECT&, const AnsiString&) {
        if (stage == psStarting)
            throw EAbort("");
    });
    TBitmap* bitmap = image->DecodedBitmap(); // no exception
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(image->DecodedBitmap(), bitmap);

    TBitmap source;
    source.SetWidth(8);
    source.SetHeight(8);
    TJPEGImage encoding;
    encoding.Assign(&source);
    encoding.SetOnProgress([](TObject*, TProgressStage stage, std::uint8_t, bool, const RECT&, const AnsiString&) {
        if (stage == psStarting)
            throw EAbort("");
    });
    EXPECT_EQ(Saved(encoding), "");
}

TEST(JPEGImage, DamagedFilesEndInEJPEGOrAPictureNeverACrash)
{
    int pictures = 0, errors = 0;
    for (const char* name : { "color.jpg", "progressive.jpg", "gray.jpg", "row.jpg" }) {
        AnsiString good = JpegTestFile(name);
        // Each damaged file gives a bitmap of the size its header declares, or EJPEG;
        // any other exception fails the test by escaping it.
        auto attempt = [&](const AnsiString& bytes, bool progressiveDisplay) {
            try {
                auto image = LoadJpeg(bytes);
                image->SetProgressiveDisplay(progressiveDisplay);
                TBitmap* bitmap = image->DecodedBitmap();
                ASSERT_NE(bitmap, nullptr);
                EXPECT_EQ(bitmap->Width(), image->Width());
                EXPECT_EQ(bitmap->Height(), image->Height());
                EXPECT_GT(bitmap->Width(), 0);
                ++pictures;
            } catch (const EJPEG&) {
                ++errors;
            }
        };
        for (std::size_t cut = 0; cut < good.size(); cut += 3)
            attempt(good.substr(0, cut), true);
        for (std::size_t at = 0; at < good.size(); ++at) {
            AnsiString bad = good;
            bad[at] = static_cast<char>(static_cast<unsigned char>(good[at]) ^ 0x5A);
            attempt(bad, at % 2 == 0);
            bad[at] = '\xFF';
            attempt(bad, false);
        }
    }
    // Both ends are reached: damage the library survives, and damage it refuses.
    EXPECT_GT(pictures, 0);
    EXPECT_GT(errors, 0);
}

TEST(JPEGImage, TemporaryPaletteGuidesAnEightBitDecode)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    image->SetPixelFormat(jf8Bit);
    HDC dc = GetDC(nullptr);
    HPALETTE halftone = CreateHalftonePalette(dc);
    ReleaseDC(nullptr, dc);
    image->SetPalette(halftone); // owned by the image from now on
    EXPECT_EQ(image->Palette(), halftone);
    TBitmap* bitmap = image->DecodedBitmap();
    PALETTEENTRY mine[256], theirs[256];
    UINT count = GetPaletteEntries(halftone, 0, 256, mine);
    ASSERT_EQ(GetPaletteEntries(bitmap->Palette(), 0, 256, theirs), count);
    EXPECT_EQ(std::memcmp(mine, theirs, count * sizeof(PALETTEENTRY)), 0);
    EXPECT_TRUE(CloseColor(Pixel(bitmap, 30, 5), RGB(180, 40, 96), 60));
}

TEST(JPEGImage, TheDecodedBitmapsOwnPaletteSetAsPaletteKeepsOneOwner)
{
    auto image = LoadJpeg(JpegTestFile("gray.jpg"));
    TBitmap* bitmap = image->DecodedBitmap();
    HPALETTE own = bitmap->Palette();
    ASSERT_TRUE(own);
    image->SetPalette(own);
    EXPECT_EQ(image->DecodedBitmap(), bitmap) << "the same palette keeps the decoded bitmap";
    // A setting change drops the decoded bitmap and its palette; the image's own
    // palette must still be a palette.
    image->SetSmoothing(!image->Smoothing());
    HPALETTE kept = image->Palette();
    ASSERT_TRUE(kept);
    EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_PAL));
    PALETTEENTRY entry {};
    EXPECT_EQ(GetPaletteEntries(kept, 0, 1, &entry), 1u);
}

TEST(JPEGImage, DrawsAndGoesToTheClipboardAsItsDecodedBitmap)
{
    auto image = LoadJpeg(JpegTestFile("color.jpg"));
    EXPECT_EQ(image->Palette(), nullptr); // a 24-bit screen needs none

    TBitmap target;
    target.SetPixelFormat(TPixelFormat::pf24bit);
    target.SetWidth(80);
    target.SetHeight(60);
    target.Canvas()->StretchDraw(RECT { 0, 0, 80, 60 }, image.get()); // twice the size
    EXPECT_TRUE(CloseColor(Pixel(&target, 60, 10), RGB(180, 40, 96), 12));
    EXPECT_TRUE(CloseColor(Pixel(&target, 20, 50), RGB(60, 200, 96), 12));

    std::uint16_t format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    image->SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    ASSERT_NE(data, nullptr);
    BITMAP info {};
    ASSERT_EQ(GetObjectA(data, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 40);
    EXPECT_EQ(info.bmHeight, 30);
    EXPECT_EQ(info.bmBits, nullptr); // device-dependent, as the clipboard takes it
    DeleteObject(data);
    if (palette)
        DeleteObject(palette);
}

TEST(JPEGImage, DeclaredSizeBeyondAnyBitmapFailsAsTheBitmapWouldBeforeDecoding)
{
    // A progressive file whose frame header claims 65 000 x 65 000: the library would
    // set aside every coefficient of that size before reading a scan.
    AnsiString bytes = JpegTestFile("progressive.jpg");
    std::size_t frame = bytes.find("\xFF\xC2");
    ASSERT_NE(frame, AnsiString::npos);
    const char size[] = { '\xFD', '\xE8', '\xFD', '\xE8' }; // 65000, 65000
    bytes.replace(frame + 5, 4, size, 4);
    auto image = LoadJpeg(bytes);
    EXPECT_EQ(image->Width(), 65000);

    AnsiString bitmapError;
    try {
        TBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf24bit);
        bitmap.SetWidth(65000);
        bitmap.SetHeight(65000);
    } catch (const EOutOfResources& e) {
        bitmapError = e.Message();
    }
    ASSERT_FALSE(bitmapError.empty());
    // The refusal comes before the library's working memory: the process's peak
    // working set does not grow by the gigabytes of coefficients it would clear.
    PROCESS_MEMORY_COUNTERS before {}, after {};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    AnsiString decodeError;
    try {
        image->DecodedBitmap();
    } catch (const EOutOfResources& e) {
        decodeError = e.Message();
    }
    EXPECT_EQ(decodeError, bitmapError);
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, std::size_t(1) << 30);
    // The failed decode is not repeated; a later request gets the empty bitmap.
    EXPECT_TRUE(image->DecodedBitmap()->Empty());
}
