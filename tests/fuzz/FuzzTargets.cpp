#include "FuzzTargets.h"
#include "FuzzSeeds.h"

#include "frame/FakeForms.h"
#include "frame/Reader.h"
#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/JPEGImage.h"
#include "graphics/Picture.h"

namespace {

void FeedJpeg(TStream& stream, std::size_t)
{
    TJPEGImage jpeg;
    jpeg.LoadStream(stream);
    jpeg.DecodedBitmap();
}

void FeedBitmap(TStream& stream, std::size_t)
{
    TBitmap bitmap;
    bitmap.LoadStream(stream);
    bitmap.Handle();
}

void FeedIcon(TStream& stream, std::size_t)
{
    TIcon icon;
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
}

template<class Form>
void ReadForm(TStream& stream)
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
