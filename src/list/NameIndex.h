#pragma once

#include <QtGlobal>

#include <vector>

namespace qn {

// The duplicate test's index: an open-addressing hash table from the hash of
// (directory, name) to an entry number, with linear probing. The keys stay
// in the table; a slot holds only the hash and the entry number, eight bytes,
// so a million entries cost 16 MB here.
class NameIndex {
public:
    // The entry whose key `matches` confirms, or 0 when there is none.
    template <class Matches>
    quint32 find(quint32 hash, Matches &&matches) const
    {
        if (m_slots.empty())
            return 0;
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot &s = m_slots[i];
            if (s.entry == 0)
                return 0;
            if (s.hash == hash && matches(s.entry))
                return s.entry;
        }
    }

    // Brings the slot a lookup of hash starts at into the cache ahead of time.
    void prefetch(quint32 hash) const
    {
#if defined(__GNUC__)
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & m_mask]);
#else
        Q_UNUSED(hash);
#endif
    }

    void insert(quint32 hash, quint32 entry);
    void remove(quint32 hash, quint32 entry);
    // Every entry number above `removed` moves down by one.
    void closeGap(quint32 removed);
    // Entry e becomes entry newNumber[e].
    void renumber(const std::vector<quint32> &newNumber);
    // Room for `entries` in all without growing.
    void reserve(size_t entries);
    void clear();

private:
    struct Slot {
        quint32 hash;
        quint32 entry; // 0: free (entry 0 is the blank slot, never indexed)
    };
    void rehash(size_t capacity);

    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    size_t m_used = 0;
};

} // namespace qn
