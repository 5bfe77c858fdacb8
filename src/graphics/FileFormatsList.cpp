#include "graphics/FileFormatsList.h"

#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "runtime/Exceptions.h"

#include <algorithm>

namespace {
// Whether each registry exists: a registry lives from its first use until the end
// of the program, and a removal at shutdown must not reach one already gone.
bool g_fileFormatsAlive = false;
bool g_clipboardFormatsAlive = false;
}

TFileFormatsList& TFileFormatsList::Instance()
{
    // Made on first use, so destroyed only after everything that registered with it
    // during start-up has been shut down.
    static TFileFormatsList list;
    return list;
}

bool FileFormatsListExists() { return g_fileFormatsAlive; }

TFileFormatsList::~TFileFormatsList() { g_fileFormatsAlive = false; }

TFileFormatsList::TFileFormatsList()
{
    Add("wmf", LoadResString(TextId::MetafileDescription), 0, TMetafile::StaticClass());
    Add("emf", LoadResString(TextId::EnhancedMetafileDescription), 0, TMetafile::StaticClass());
    Add("ico", LoadResString(TextId::IconDescription), 0, TIcon::StaticClass());
    Add("bmp", LoadResString(TextId::BitmapDescription), 0, TBitmap::StaticClass());
    g_fileFormatsAlive = true;
}

void TFileFormatsList::Add(
    const AnsiString& extension, const AnsiString& description, int descriptionId, TGraphicClass cls)
{
    m_records.push_back({ cls, AnsiLowerCase(extension), description, descriptionId });
}

TGraphicClass TFileFormatsList::FindExt(const AnsiString& extension) const
{
    AnsiString key = AnsiLowerCase(extension);
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it)
        if (it->extension == key)
            return it->graphicClass;
    return nullptr;
}

TGraphicClass TFileFormatsList::FindClassName(const AnsiString& name) const
{
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it)
        if (name == it->graphicClass->name)
            return it->graphicClass;
    return nullptr;
}

void TFileFormatsList::Remove(TGraphicClass cls)
{
    std::erase_if(m_records, [cls](const Record& r) { return r.graphicClass->InheritsFrom(cls); });
}

TClipboardFormats& TClipboardFormats::Instance()
{
    static TClipboardFormats formats;
    return formats;
}

bool ClipboardFormatsExist() { return g_clipboardFormatsAlive; }

TClipboardFormats::~TClipboardFormats() { g_clipboardFormatsAlive = false; }

TClipboardFormats::TClipboardFormats()
{
    Add(CF_METAFILEPICT, TMetafile::StaticClass());
    Add(CF_ENHMETAFILE, TMetafile::StaticClass());
    Add(CF_BITMAP, TBitmap::StaticClass());
    g_clipboardFormatsAlive = true;
}

void TClipboardFormats::Add(std::uint16_t format, TGraphicClass cls)
{
    m_classes.push_back(cls);
    m_formats.push_back(format);
}

TGraphicClass TClipboardFormats::FindFormat(std::uint16_t format) const
{
    for (std::size_t i = m_formats.size(); i-- > 0;)
        if (m_formats[i] == format)
            return m_classes[i];
    return nullptr;
}

void TClipboardFormats::Remove(TGraphicClass cls)
{
    for (std::size_t i = m_classes.size(); i-- > 0;) {
        if (m_classes[i]->InheritsFrom(cls)) {
            m_classes.erase(m_classes.begin() + static_cast<std::ptrdiff_t>(i));
            m_formats.erase(m_formats.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}
