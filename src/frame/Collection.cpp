#include "frame/Collection.h"

int TCollectionItem::Index() const
{
    for (int i = 0; i < m_collection->Count(); ++i)
        if (m_collection->Items(i) == this)
            return i;
    return -1;
}

TCollectionItem* TCollection::Add()
{
    m_items.push_back(m_maker(this));
    if (m_updateCount == 0)
        Changed();
    return m_items.back().get();
}

void TCollection::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    if (m_updateCount == 0)
        Changed();
}

void TCollection::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        Changed();
}
