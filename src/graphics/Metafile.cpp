#include "graphics/Metafile.h"

#include "runtime/Exceptions.h"

void TMetafile::Assign(TPersistent* source)
{
    // Every metafile is empty, so one metafile is a copy of another.
    if (source && dynamic_cast<TMetafile*>(source))
        return;
    TGraphic::Assign(source);
}

void TMetafile::Render(TCanvas*, const RECT&) {}

void TMetafile::SetHeight(int) {}

void TMetafile::SetWidth(int) {}

void TMetafile::LoadStream(TStream&) { throw EInvalidGraphic(Exception::ResText(TextId::PixelFormatInvalid)); }

void TMetafile::SaveStream(TStream&) {}

void TMetafile::LoadClipboardData(std::uint16_t, HANDLE, HPALETTE)
{
    throw EInvalidGraphic(Exception::ResText(TextId::PixelFormatInvalid));
}

void TMetafile::SaveClipboardData(std::uint16_t&, HANDLE&, HPALETTE&) {}
