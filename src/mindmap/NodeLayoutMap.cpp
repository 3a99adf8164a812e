#include "mindmap/NodeLayoutMap.h"

#include <algorithm>

namespace kestrion {

NodeLayoutMap::NodeLayoutMap(std::initializer_list<std::pair<QUuid, NodeLayout>> entries)
{
    reserve(static_cast<qsizetype>(entries.size()));
    for (const auto& [key, layout] : entries)
        insert(key, layout);
}

NodeLayoutMap::Data& NodeLayoutMap::detachedData()
{
    if (!m_d)
        m_d = std::make_shared<Data>();
    else if (m_d.use_count() > 1)
        m_d = std::make_shared<Data>(*m_d);
    return *m_d;
}

NodeLayoutMap::Data& NodeLayoutMap::mutableData()
{
    Data& d = detachedData();
    d.branchesComplete = false;
    return d;
}

const BranchBounds* NodeLayoutMap::branchBounds(const const_iterator& it) const
{
    if (!m_d || !m_d->branchesComplete)
        return nullptr;
    const auto slot = static_cast<size_t>(slotOf(it));
    return slot < m_d->branches.size() ? &m_d->branches[slot] : nullptr;
}

void NodeLayoutMap::setBranchBoundsAt(qsizetype slot, const BranchBounds& bounds)
{
    Data& d = detachedData();
    const auto at = static_cast<size_t>(slot);
    if (at >= d.branches.size())
        d.branches.resize(d.slots.size());
    d.branches[at] = bounds;
}

void NodeLayoutMap::setBranchBoundsComplete()
{
    if (!m_d || m_d->branchesComplete)
        return;
    detachedData().branchesComplete = true;
}

qsizetype NodeLayoutMap::slotOf(const QUuid& key) const
{
    // A slot holds one key, so whichever of the two names a slot holding it is right.
    if (!m_d)
        return -1;
    if (const auto it = m_d->index->constFind(key); it != m_d->index->cend() && slotHolds(*it, key))
        return *it;
    if (m_d->recent.isEmpty())
        return -1;
    const auto it = m_d->recent.constFind(key);
    return it != m_d->recent.cend() && slotHolds(*it, key) ? *it : -1;
}

void NodeLayoutMap::indexSlot(Data& d, const QUuid& key, qsizetype slot)
{
    if (d.index.use_count() == 1) {
        d.index->insert(key, slot);
        return;
    }
    d.recent.insert(key, slot);
    // Past an eighth of the map, an index of its own pays for itself.
    if (d.recent.size() > std::max<qsizetype>(64, d.count / 8)) {
        auto own = std::make_shared<Index>();
        own->reserve(d.count);
        for (size_t i = 0; i < d.slots.size(); ++i) {
            if (d.slots[i].used)
                own->insert(d.slots[i].key, static_cast<qsizetype>(i));
        }
        d.index = std::move(own);
        d.recent.clear();
    }
}

qsizetype NodeLayoutMap::slotOf(const const_iterator& it) const
{
    return m_d ? static_cast<qsizetype>(it.slotPointer() - m_d->slots.data()) : -1;
}

const NodeLayout* NodeLayoutMap::findNear(qsizetype slot, const QUuid& key) const
{
    if (!slotHolds(slot, key))
        slot = slotOf(key);
    return slot >= 0 ? &m_d->slots[static_cast<size_t>(slot)].value : nullptr;
}

bool NodeLayoutMap::slotHolds(qsizetype slot, const QUuid& key) const
{
    return m_d && slot >= 0 && slot < static_cast<qsizetype>(m_d->slots.size())
        && m_d->slots[static_cast<size_t>(slot)].used && m_d->slots[static_cast<size_t>(slot)].key == key;
}

NodeLayout& NodeLayoutMap::layoutAt(qsizetype slot)
{
    return mutableData().slots[static_cast<size_t>(slot)].value;
}

qsizetype NodeLayoutMap::insertSlot(const QUuid& key, const NodeLayout& layout)
{
    if (const qsizetype present = slotOf(key); present >= 0) {
        layoutAt(present) = layout;
        return present;
    }
    Data& d = mutableData();
    qsizetype slot;
    if (!d.freeSlots.empty()) {
        slot = d.freeSlots.back();
        d.freeSlots.pop_back();
        d.slots[static_cast<size_t>(slot)] = Slot { key, layout, true };
    } else {
        slot = static_cast<qsizetype>(d.slots.size());
        d.slots.push_back(Slot { key, layout, true });
    }
    ++d.count;
    indexSlot(d, key, slot);
    return slot;
}

void NodeLayoutMap::removeSlot(qsizetype slot)
{
    Data& d = mutableData();
    Slot& s = d.slots[static_cast<size_t>(slot)];
    // A shared index keeps naming the key; the freed slot no longer holds it.
    if (d.index.use_count() == 1)
        d.index->remove(s.key);
    d.recent.remove(s.key);
    s = Slot {};
    d.freeSlots.push_back(slot);
    --d.count;
}

NodeLayout NodeLayoutMap::value(const QUuid& key, const NodeLayout& fallback) const
{
    const qsizetype slot = slotOf(key);
    return slot >= 0 ? m_d->slots[static_cast<size_t>(slot)].value : fallback;
}

NodeLayout& NodeLayoutMap::operator[](const QUuid& key)
{
    qsizetype slot = slotOf(key);
    if (slot < 0)
        slot = insertSlot(key, NodeLayout {});
    return layoutAt(slot);
}

QList<QUuid> NodeLayoutMap::keys() const
{
    QList<QUuid> result;
    result.reserve(size());
    for (auto it = cbegin(); it != cend(); ++it)
        result.append(it.key());
    return result;
}

QList<NodeLayout> NodeLayoutMap::values() const
{
    QList<NodeLayout> result;
    result.reserve(size());
    for (const NodeLayout& layout : *this)
        result.append(layout);
    return result;
}

NodeLayoutMap::const_iterator NodeLayoutMap::cbegin() const
{
    if (!m_d)
        return {};
    const Slot* first = m_d->slots.data();
    return { first, first + m_d->slots.size() };
}

NodeLayoutMap::const_iterator NodeLayoutMap::cend() const
{
    if (!m_d)
        return {};
    const Slot* last = m_d->slots.data() + m_d->slots.size();
    return { last, last };
}

NodeLayoutMap::iterator NodeLayoutMap::begin()
{
    if (!m_d)
        return {};
    Slot* first = mutableData().slots.data();
    return { first, first + m_d->slots.size() };
}

NodeLayoutMap::iterator NodeLayoutMap::end()
{
    if (!m_d)
        return {};
    Slot* last = mutableData().slots.data() + m_d->slots.size();
    return { last, last };
}

NodeLayoutMap::const_iterator NodeLayoutMap::constFind(const QUuid& key) const
{
    const qsizetype slot = slotOf(key);
    if (slot < 0)
        return cend();
    const Slot* at = m_d->slots.data() + slot;
    return { at, m_d->slots.data() + m_d->slots.size() };
}

NodeLayoutMap::iterator NodeLayoutMap::find(const QUuid& key)
{
    const qsizetype slot = slotOf(key);
    if (slot < 0)
        return end();
    Slot* first = mutableData().slots.data();
    return { first + slot, first + m_d->slots.size() };
}

NodeLayoutMap::iterator NodeLayoutMap::insert(const QUuid& key, const NodeLayout& layout)
{
    const qsizetype slot = insertSlot(key, layout);
    Slot* first = m_d->slots.data();
    return { first + slot, first + m_d->slots.size() };
}

bool NodeLayoutMap::remove(const QUuid& key)
{
    const qsizetype slot = slotOf(key);
    if (slot < 0)
        return false;
    removeSlot(slot);
    return true;
}

void NodeLayoutMap::reserve(qsizetype size)
{
    Data& d = mutableData();
    d.slots.reserve(static_cast<size_t>(size));
    if (d.index.use_count() == 1)
        d.index->reserve(size);
}

bool operator==(const NodeLayoutMap& a, const NodeLayoutMap& b)
{
    if (a.m_d == b.m_d)
        return true;
    if (a.size() != b.size())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const qsizetype slot = b.slotOf(it.key());
        if (slot < 0 || b.m_d->slots[static_cast<size_t>(slot)].value != it.value())
            return false;
    }
    return true;
}

} // namespace kestrion
