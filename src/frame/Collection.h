// Collections: owned lists of items of one item class, whose items a form stream
// stores as a list of property sets.
#pragma once

#include "runtime/Persistent.h"

#include <memory>
#include <typeindex>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
public:
    SV_CLASS_NAME(TCollectionItem)
    explicit TCollectionItem(TCollection* collection) : m_collection(collection) {}
    TCollection* Collection() const { return m_collection; }
    int Index() const;

private:
    TCollection* m_collection;
};

class TCollection : public TPersistent {
public:
    SV_CLASS_NAME(TCollection)
    // Items are made by the maker, one per Add.
    using TItemMaker = std::unique_ptr<TCollectionItem> (*)(TCollection* collection);
    explicit TCollection(TItemMaker maker) : m_maker(maker) {}

    int Count() const { return static_cast<int>(m_items.size()); }
    TCollectionItem* Items(int index) const { return m_items.at(static_cast<std::size_t>(index)).get(); }
    TCollectionItem* Add();
    void Clear();
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

protected:
    // Called when an update ends, or at each change outside an update.
    virtual void Changed() {}

private:
    TItemMaker m_maker;
    std::vector<std::unique_ptr<TCollectionItem>> m_items;
    int m_updateCount = 0;
};
