#include "FuzzTargets.h"
#include "FuzzSeeds.h"

#include "app/support/ProgramFormStandIns.h"
#include "frame/Reader.h"
#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"

namespace {

// The decoding settings vary with the input's size, so every input picks its own
// and a replay picks the same.
void FeedJpeg(TStream& stream, std::size_t)
{
    const int pick = stream.Size();
    TJPEGImage jpeg;
    jpeg.SetScale(static_cast<TJPEGScale>(pick % 4));
    jpeg.SetPixelFormat(static_cast<TJPEGPixelFormat>(pick / 4 % 2));
    jpeg.SetGrayscale(pick / 8 % 2 != 0);
    jpeg.SetPerformance(static_cast<TJPEGPerformance>(pick / 16 % 2));
    jpeg.LoadStream(stream);
    jpeg.DecodedBitmap();
}

// Loaded, then written back: compressed and OS/2 files are written from the bytes
// kept as read.
void FeedBitmap(TStream& stream, std::size_t)
{
    TBitmap bitmap;
    bitmap.LoadStream(stream);
    bitmap.Handle();
    TMemoryStream written;
    bitmap.SaveStream(written);
}

void FeedIcon(TStream& stream, std::size_t)
{
    const int size = stream.Size() % 2 ? 16 : 32;
    TIcon icon;
    icon.SetWidth(size);
    icon.SetHeight(size);
    icon.LoadStream(stream);
    icon.Handle();
}

void FeedPicture(TStream& stream, std::size_t)
{
    TPicture picture;
    picture.ReadPictureData(stream);
    if (auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic()))
        bitmap->Handle();
    else if (auto* icon = dynamic_cast<TIcon*>(picture.Graphic()))
        icon->Handle();
    TMemoryStream written;
    picture.WritePictureData(written);
}

template<class Form> void ReadForm(TStream& stream)
{
    auto form = MakeComponent<Form>();
    try {
        TReader reader(stream);
        reader.ReadRootComponent(*form);
    } catch (...) {
        RemoveFixupReferences(nullptr, {});
        throw;
    }
}

void FeedForm(TStream& stream, std::size_t seedIndex)
{
    if (seedIndex == 0)
        ReadForm<TFakeMainForm>(stream);
    else
        ReadForm<TFakeInfoForm>(stream);
}

}

const std::vector<FuzzTarget>& FuzzTargets()
{
    static const std::vector<FuzzTarget> targets {
        { "jpeg", JpegSeeds(), FeedJpeg },
        { "bitmap", BmpSeeds(), FeedBitmap },
        { "icon", IconSeeds(), FeedIcon },
        { "picture", PictureSeeds(), FeedPicture },
        { "form", FormSeeds(), FeedForm },
    };
    return targets;
}

const FuzzTarget* FindFuzzTarget(const AnsiString& name)
{
    for (const FuzzTarget& target : FuzzTargets())
        if (name == target.name)
            return &target;
    return nullptr;
}
