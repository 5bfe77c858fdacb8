// The picture holder: owns at most one graphic and chooses its class by file
// extension, clipboard format or stored class name through the format registries.
#pragma once

#include "graphics/Graphic.h"

#include <memory>

class TBitmap;
class TIcon;

class TPicture : public TPersistent {
public:
    SV_CLASS_NAME(TPicture)

    // An empty picture; makes sure both format registries exist.
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The process-wide format registries.
    static void RegisterExtension(const AnsiString& extension, const AnsiString& description, TGraphicClass cls);
    static void RegisterClipboardFormat(std::uint16_t format, TGraphicClass cls);
    static bool SupportsClipboardData(std::uint16_t format);
    static void UnregisterGraphic(TGraphicClass cls);

    // Loads the file into a new graphic of the class registered for its extension;
    // EInvalidGraphic "拡張子 .%s の画像形式は処理できません" when there is none. A
    // failed load leaves the picture as it was.
    void LoadFile(const AnsiString& fileName);
    // Writes the graphic in its own format whatever the name; nothing when empty.
    void SaveFile(const AnsiString& fileName);
    void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette);
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette);

    void Assign(TPersistent* source) override;

    TGraphic* Graphic() const { return m_graphic.get(); }
    // Holds a copy of the graphic (sharing its image); none empties the picture.
    void SetGraphic(TGraphic* graphic);
    // The held graphic when it is of the class (or derived from it); otherwise the
    // held graphic is discarded and replaced by an empty one of the class.
    TGraphic* ForceGraphic(TGraphicClass cls);
    // The held graphic as a bitmap: whatever else the picture held is discarded (not
    // converted) for an empty bitmap.
    TBitmap* Bitmap();
    // The held graphic as an icon: whatever else the picture held is discarded (not
    // converted) for an empty icon.
    TIcon* Icon();

    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }

    // The stored "Data" property: length byte, class name, the graphic's data.
    void ReadPictureData(TStream& stream);
    void WritePictureData(TStream& stream);
    // Whether "Data" is written against the ancestor's value (none: no ancestor).
    bool DataNeedsWriting(TPersistent* ancestor) const;

    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }
    const TProgressEvent& OnProgress() const { return m_onProgress; }
    void SetOnProgress(TProgressEvent handler) { m_onProgress = std::move(handler); }
    IChangeNotifier* Notify() const { return m_notify; }
    void SetNotify(IChangeNotifier* notify) { m_notify = notify; }

protected:
    void AssignInto(TPersistent* destination) override;
    // Reports one change: the change handler, then the change notifier.
    virtual void Changed(TObject* sender);
    virtual void Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow,
        const RECT& R, const AnsiString& Msg);

private:
    void InstallProgress(TGraphic& graphic);
    void InstallHandlers(TGraphic& graphic);
    // Takes the new graphic (or none) in place of the old one and reports the change.
    void Replace(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> m_graphic;
    TNotifyEvent m_onChange;
    TProgressEvent m_onProgress;
    IChangeNotifier* m_notify = nullptr;
};

// The extension of a file name: the text after the last "." that no "\" or ":"
// follows, double-byte aware; empty when there is none.
AnsiString GraphicFileExtension(const AnsiString& fileName);
