// The process-wide registries that map a file extension or a clipboard format to
// the graphic class that reads it. Both are created on first use with the built-in
// registrations and live until the program ends.
#pragma once

#include "graphics/Graphic.h"

#include <vector>

class TFileFormatsList {
public:
    struct Record {
        TGraphicClass graphicClass;
        AnsiString extension; // without the dot, lower-cased
        AnsiString description;
        int descriptionId;
    };

    // The registry, created on first use with the metafile, icon and bitmap formats.
    static TFileFormatsList& Instance();

    void Add(const AnsiString& extension, const AnsiString& description, int descriptionId, TGraphicClass cls);
    // The class registered last for the extension (any case, without the dot), or none.
    TGraphicClass FindExt(const AnsiString& extension) const;
    // The class registered last whose class name is exactly the name, or none.
    TGraphicClass FindClassName(const AnsiString& name) const;
    // Removes every record of the class or of a class derived from it.
    void Remove(TGraphicClass cls);

    const std::vector<Record>& Records() const { return m_records; }

    ~TFileFormatsList();
    TFileFormatsList(const TFileFormatsList&) = delete;
    TFileFormatsList& operator=(const TFileFormatsList&) = delete;

private:
    TFileFormatsList();
    std::vector<Record> m_records;
};

class TClipboardFormats {
public:
    // The registry, created on first use with the metafile and bitmap formats.
    static TClipboardFormats& Instance();

    void Add(std::uint16_t format, TGraphicClass cls);
    // The class registered last for the format, or none.
    TGraphicClass FindFormat(std::uint16_t format) const;
    void Remove(TGraphicClass cls);

    std::size_t Count() const { return m_formats.size(); }
    std::uint16_t Format(std::size_t index) const { return m_formats[index]; }
    TGraphicClass GraphicClass(std::size_t index) const { return m_classes[index]; }

    ~TClipboardFormats();
    TClipboardFormats(const TClipboardFormats&) = delete;
    TClipboardFormats& operator=(const TClipboardFormats&) = delete;

private:
    TClipboardFormats();
    std::vector<TGraphicClass> m_classes;
    std::vector<std::uint16_t> m_formats;
};

// True when a registry of either kind has been created.
bool FileFormatsListExists();
bool ClipboardFormatsExist();
