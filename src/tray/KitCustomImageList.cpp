#include "tray/KitCustomImageList.h"

#include "runtime/Exceptions.h"

#include <algorithm>

TKitChangeLink::~TKitChangeLink()
{
    if (m_sender)
        m_sender->UnRegisterChanges(this);
}

TKitCustomImageList::TKitCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner)
    , m_width(width)
    , m_height(height)
{
}

TKitCustomImageList::~TKitCustomImageList()
{
    for (TKitChangeLink* link : m_links)
        link->m_sender = nullptr;
}

int TKitCustomImageList::ImageCount(int list) const
{
    if (list < 0 || list >= ListCount())
        return 0;
    return ImageList_GetImageCount(m_lists[static_cast<std::size_t>(list)].get());
}

int TKitCustomImageList::AddList()
{
    HIMAGELIST list = ImageList_Create(m_width, m_height, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (!list)
        throw EOutOfResources(LoadResString(TextId::OutOfSystemResources));
    m_lists.emplace_back(list);
    Changed();
    return ListCount() - 1;
}

int TKitCustomImageList::AddImage(int list, HBITMAP image, COLORREF maskColor)
{
    if (list < 0 || list >= ListCount())
        return -1;
    int index = ImageList_AddMasked(m_lists[static_cast<std::size_t>(list)].get(), image, maskColor);
    Changed();
    return index;
}

bool TKitCustomImageList::Draw(int list, int index, HDC dc, int x, int y) const
{
    if (index < 0 || index >= ImageCount(list))
        return false;
    return ImageList_Draw(m_lists[static_cast<std::size_t>(list)].get(), index, dc, x, y, ILD_NORMAL) != FALSE;
}

void TKitCustomImageList::RegisterChanges(TKitChangeLink* link)
{
    if (!link || std::find(m_links.begin(), m_links.end(), link) != m_links.end())
        return;
    if (link->m_sender)
        link->m_sender->UnRegisterChanges(link);
    link->m_sender = this;
    m_links.push_back(link);
}

void TKitCustomImageList::UnRegisterChanges(TKitChangeLink* link)
{
    if (!link)
        return;
    std::erase(m_links, link);
    if (link->m_sender == this)
        link->m_sender = nullptr;
}

void TKitCustomImageList::Changed()
{
    std::vector<TKitChangeLink*> links = m_links;
    for (TKitChangeLink* link : links)
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end() && link->OnChange)
            link->OnChange(this);
}
