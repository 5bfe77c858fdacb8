// The abstract graphic: what a picture holds. Bitmaps, icons, JPEG images and
// metafiles derive from it and are created through their class references.
#pragma once

#include "runtime/Events.h"
#include "runtime/Persistent.h"

#include <cstdint>
#include <functional>
#include <memory>

#include <windows.h>

class TCanvas;
class TStream;
class TGraphic;

// Stages of a long operation (decoding, encoding) reported to a progress handler.
enum TProgressStage { psStarting, psRunning, psEnding };

// Progress of a graphic: the stage, the percentage done, whether the part inside R
// is worth drawing now, and a message.
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone,
    bool RedrawNow, const RECT& R, const AnsiString& Msg)>;

// A class reference for graphic classes: the class name, the class it derives from,
// and its virtual constructor (none for abstract classes).
struct TGraphicClassRef {
    const char* name;
    const TGraphicClassRef* parent;
    std::unique_ptr<TGraphic> (*create)();

    // True when this class is the other class or derives from it.
    bool InheritsFrom(const TGraphicClassRef* other) const;
    // A new empty instance.
    std::unique_ptr<TGraphic> NewInstance() const;
};
using TGraphicClass = const TGraphicClassRef*;

// In a concrete graphic class body: its class name, class reference and virtual
// constructor. Parent is the class it derives from.
#define SV_GRAPHIC_CLASS(Name, Parent)                                                                                 \
    SV_CLASS_NAME(Name)                                                                                                \
    static TGraphicClass StaticClass()                                                                                 \
    {                                                                                                                  \
        static const TGraphicClassRef ref { #Name, Parent::StaticClass(),                                              \
            []() -> std::unique_ptr<TGraphic> { return std::make_unique<Name>(); } };                                  \
        return &ref;                                                                                                   \
    }                                                                                                                  \
    TGraphicClass ClassType() const override { return StaticClass(); }

class TGraphic : public TPersistent {
public:
    SV_CLASS_NAME(TGraphic)
    static TGraphicClass StaticClass();
    virtual TGraphicClass ClassType() const { return StaticClass(); }
    // True when this graphic is an instance of the class or of a class derived from it.
    bool InheritsFrom(TGraphicClass cls) const { return ClassType()->InheritsFrom(cls); }

    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // Virtual operations, in the order every graphic class overrides them.
    virtual void NotifyChanged(TObject* sender);
    virtual void Render(TCanvas* canvas, const RECT& rect) = 0;
    virtual bool SameImage(TGraphic* other);
    virtual bool Empty() const = 0;
    virtual int Height() const = 0;
    virtual HPALETTE Palette();
    virtual bool Transparent() const { return m_transparent; }
    virtual int Width() const = 0;
    virtual void ReadGraphicData(TStream& stream);
    virtual void SetHeight(int value) = 0;
    virtual void SetPalette(HPALETTE value);
    virtual void SetTransparent(bool value);
    virtual void SetWidth(int value) = 0;
    virtual void WriteGraphicData(TStream& stream);
    virtual void LoadFile(const AnsiString& fileName);
    virtual void SaveFile(const AnsiString& fileName);
    virtual void LoadStream(TStream& stream) = 0;
    virtual void SaveStream(TStream& stream) = 0;
    virtual void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette) = 0;
    virtual void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette) = 0;

    // Forwards a progress report to the progress handler, if one is installed.
    virtual void Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow,
        const RECT& R, const AnsiString& Msg);

    // The stored "Data" property of a graphic kept as a property of its own: whether
    // it is written against the ancestor's value (none: no ancestor), and its bytes.
    bool DataNeedsWriting(TPersistent* ancestor);
    void ReadData(TStream& stream) { ReadGraphicData(stream); }
    void WriteData(TStream& stream) { WriteGraphicData(stream); }

    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }
    const TProgressEvent& OnProgress() const { return m_onProgress; }
    void SetOnProgress(TProgressEvent handler) { m_onProgress = std::move(handler); }

    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }
    bool PaletteModified() const { return m_paletteModified; }
    void SetPaletteModified(bool value) { m_paletteModified = value; }

private:
    TNotifyEvent m_onChange;
    TProgressEvent m_onProgress;
    bool m_modified = false;
    bool m_transparent = false;
    bool m_paletteModified = false;
};
