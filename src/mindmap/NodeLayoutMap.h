#pragma once

#include "mindmap/BranchBounds.h"
#include "mindmap/NodeLayout.h"

#include <QHash>
#include <QList>
#include <QUuid>

#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace kestrion {

// The result of a layout pass: one NodeLayout per shown node, keyed by node id, read like a
// QHash (find, value, contains, iteration in no particular order).
//
// Each entry keeps its slot from insertion to removal, and slots are handed out in insertion
// order, so a layout pass that walks the tree as the previous one did rewrites the layouts of
// moved nodes in storage order through their slots instead of hashing every id again. Copies
// share their storage until one of them changes.
//
// Beside each layout the pass keeps the bounds of the node's shown branch, read by the
// drawing. They hold only while the layouts are as that pass left them: any other change
// (a copy moved for an animation, a map filled by hand) leaves the map without them.
class NodeLayoutMap {
    struct Slot {
        QUuid key;
        NodeLayout value;
        bool used = false;
    };

    template <typename SlotPointer, typename Value> class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = NodeLayout;
        using difference_type = std::ptrdiff_t;
        using pointer = Value*;
        using reference = Value&;

        Iterator() = default;
        Iterator(SlotPointer slot, SlotPointer end)
            : m_slot(slot)
            , m_end(end)
        {
            skipUnused();
        }

        const QUuid& key() const { return m_slot->key; }
        SlotPointer slotPointer() const { return m_slot; }
        Value& value() const { return m_slot->value; }
        Value& operator*() const { return m_slot->value; }
        Value* operator->() const { return &m_slot->value; }
        Iterator& operator++()
        {
            ++m_slot;
            skipUnused();
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_slot == b.m_slot; }
        friend bool operator!=(const Iterator& a, const Iterator& b) { return a.m_slot != b.m_slot; }

    private:
        void skipUnused()
        {
            while (m_slot != m_end && !m_slot->used)
                ++m_slot;
        }

        SlotPointer m_slot = nullptr;
        SlotPointer m_end = nullptr;
    };

public:
    using key_type = QUuid;
    using mapped_type = NodeLayout;
    using size_type = qsizetype;
    using const_iterator = Iterator<const Slot*, const NodeLayout>;
    using iterator = Iterator<Slot*, NodeLayout>;

    NodeLayoutMap() = default;
    NodeLayoutMap(std::initializer_list<std::pair<QUuid, NodeLayout>> entries);

    qsizetype size() const { return m_d ? m_d->count : 0; }
    qsizetype count() const { return size(); }
    bool isEmpty() const { return size() == 0; }
    bool empty() const { return isEmpty(); }

    bool contains(const QUuid& key) const { return slotOf(key) >= 0; }
    NodeLayout value(const QUuid& key, const NodeLayout& fallback = {}) const;
    NodeLayout operator[](const QUuid& key) const { return value(key); }
    // Inserts a default layout under a key not present.
    NodeLayout& operator[](const QUuid& key);
    QList<QUuid> keys() const;
    QList<NodeLayout> values() const;

    const_iterator constFind(const QUuid& key) const;
    const_iterator find(const QUuid& key) const { return constFind(key); }
    iterator find(const QUuid& key);
    const_iterator cbegin() const;
    const_iterator cend() const;
    const_iterator constBegin() const { return cbegin(); }
    const_iterator constEnd() const { return cend(); }
    const_iterator begin() const { return cbegin(); }
    const_iterator end() const { return cend(); }
    iterator begin();
    iterator end();

    // Replaces the layout under a key present.
    iterator insert(const QUuid& key, const NodeLayout& layout);
    bool remove(const QUuid& key);
    void clear() { m_d.reset(); }
    void reserve(qsizetype size);

    // Equal when both hold the same keys with equal layouts, wherever they are kept.
    friend bool operator==(const NodeLayoutMap& a, const NodeLayoutMap& b);
    friend bool operator!=(const NodeLayoutMap& a, const NodeLayoutMap& b) { return !(a == b); }

    // Slot access for the layout pass. A slot stays valid for its key until that key is
    // removed; slotHolds tells whether it still is.
    qsizetype slotOf(const QUuid& key) const;
    // The slot of an entry of this map.
    qsizetype slotOf(const const_iterator& it) const;
    // The layout under the key: looked for in the slot given first (where it is in a map
    // copied from this one), then by key; null when absent.
    const NodeLayout* findNear(qsizetype slot, const QUuid& key) const;
    bool slotHolds(qsizetype slot, const QUuid& key) const;
    // Detaches; the slot must hold a key.
    NodeLayout& layoutAt(qsizetype slot);
    qsizetype insertSlot(const QUuid& key, const NodeLayout& layout);
    void removeSlot(qsizetype slot);

    // The branch bounds of an entry of this map; null unless the layout pass that last
    // changed the map set them all.
    const BranchBounds* branchBounds(const const_iterator& it) const;
    // For the layout pass: the bounds kept in a slot holding a key, whether they hold or not;
    // setting them leaves the map's other bounds as they are, and once every shown slot has
    // its own the pass declares them complete.
    const BranchBounds& branchBoundsAt(qsizetype slot) const
    {
        static const BranchBounds none;
        const auto at = static_cast<size_t>(slot);
        return m_d && at < m_d->branches.size() ? m_d->branches[at] : none;
    }
    void setBranchBoundsAt(qsizetype slot, const BranchBounds& bounds);
    void setBranchBoundsComplete();

private:
    using Index = QHash<QUuid, qsizetype>;
    struct Data {
        std::vector<Slot> slots;
        // Slot by key, shared with copies of the map, so that a copy held elsewhere (the
        // minimap's) costs the next layout pass a copy of the slots but not of the index. It
        // may name keys this map no longer holds or holds elsewhere: slotHolds decides.
        std::shared_ptr<Index> index = std::make_shared<Index>();
        // Keys placed while the index was shared.
        Index recent;
        std::vector<qsizetype> freeSlots;
        qsizetype count = 0;
        // By slot; at most as many as there are slots.
        std::vector<BranchBounds> branches;
        bool branchesComplete = false;
    };

    // Unshared storage; mutableData also marks the branch bounds as no longer holding.
    Data& detachedData();
    Data& mutableData();
    // Where the key is to be found from now on.
    void indexSlot(Data& d, const QUuid& key, qsizetype slot);

    std::shared_ptr<Data> m_d;
};

} // namespace kestrion
