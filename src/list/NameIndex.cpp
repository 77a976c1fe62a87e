#include "list/NameIndex.h"

#include <bit>

namespace qn {

void NameIndex::reserve(size_t entries)
{
    // At most half full, so a probe seldom passes more than a slot or two.
    const size_t capacity = std::bit_ceil(std::max<size_t>(16, entries * 2));
    if (capacity > m_slots.size())
        rehash(capacity);
}

void NameIndex::rehash(size_t capacity)
{
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.assign(capacity, Slot{0, 0});
    m_mask = capacity - 1;
    for (const Slot &s : old) {
        if (s.entry == 0)
            continue;
        size_t i = s.hash & m_mask;
        while (m_slots[i].entry != 0)
            i = (i + 1) & m_mask;
        m_slots[i] = s;
    }
}

void NameIndex::insert(quint32 hash, quint32 entry)
{
    if ((m_used + 1) * 2 > m_slots.size())
        reserve(std::max<size_t>(m_used + 1, m_slots.size()));
    size_t i = hash & m_mask;
    while (m_slots[i].entry != 0)
        i = (i + 1) & m_mask;
    m_slots[i] = Slot{hash, entry};
    ++m_used;
}

void NameIndex::remove(quint32 hash, quint32 entry)
{
    if (m_slots.empty())
        return;
    size_t i = hash & m_mask;
    while (m_slots[i].entry != entry) {
        if (m_slots[i].entry == 0)
            return;
        i = (i + 1) & m_mask;
    }
    // Backward-shift deletion: later slots of the same run move up, so no
    // probe ever stops at the hole.
    size_t hole = i;
    for (size_t j = (hole + 1) & m_mask; m_slots[j].entry != 0; j = (j + 1) & m_mask) {
        const size_t home = m_slots[j].hash & m_mask;
        // Move j into the hole unless its home lies cyclically in (hole, j].
        const bool homeBetween = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (!homeBetween) {
            m_slots[hole] = m_slots[j];
            hole = j;
        }
    }
    m_slots[hole] = Slot{0, 0};
    --m_used;
}

void NameIndex::closeGap(quint32 removed)
{
    for (Slot &s : m_slots) {
        if (s.entry > removed)
            --s.entry;
    }
}

void NameIndex::renumber(const std::vector<quint32> &newNumber)
{
    for (Slot &s : m_slots) {
        if (s.entry != 0)
            s.entry = newNumber[s.entry];
    }
}

void NameIndex::clear()
{
    std::vector<Slot>().swap(m_slots);
    m_mask = 0;
    m_used = 0;
}

} // namespace qn
