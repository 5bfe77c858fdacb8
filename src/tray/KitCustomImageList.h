// The component library's image list: lists of equally sized images kept in
// platform image lists, with change links told of every change.
#pragma once

#include "runtime/Component.h"
#include "runtime/Events.h"

#include <memory>
#include <vector>

#include <windows.h>
#include <commctrl.h>

class TKitCustomImageList;

// Registered with an image list; its OnChange runs at every change of the list.
class TKitChangeLink : public TObject {
public:
    SV_CLASS_NAME(TKitChangeLink)
    ~TKitChangeLink() override;
    TKitCustomImageList* Sender() const { return m_sender; }
    TNotifyEvent OnChange;

private:
    TKitCustomImageList* m_sender = nullptr;
    friend class TKitCustomImageList;
};

class TKitCustomImageList : public TComponent {
public:
    SV_CLASS_NAME(TKitCustomImageList)
    explicit TKitCustomImageList(TComponent* owner, int width = 16, int height = 16);
    ~TKitCustomImageList() override;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int ListCount() const { return static_cast<int>(m_lists.size()); }
    // Images in one list; 0 for a list that does not exist.
    int ImageCount(int list) const;
    // Adds a list; returns its index.
    int AddList();
    // Appends an image (a bitmap of the list's size, drawn through the mask colour)
    // to a list; returns its index, -1 on failure.
    int AddImage(int list, HBITMAP image, COLORREF maskColor);
    // Draws image n of a list at (x, y); false when there is no such image.
    bool Draw(int list, int index, HDC dc, int x, int y) const;

    void RegisterChanges(TKitChangeLink* link);
    void UnRegisterChanges(TKitChangeLink* link);

private:
    void Changed();

    struct ListDeleter {
        void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
    };
    int m_width;
    int m_height;
    std::vector<std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ListDeleter>> m_lists;
    std::vector<TKitChangeLink*> m_links;
};
