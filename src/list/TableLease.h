#pragma once

#include <mutex>

namespace qn {

// The entry table lent by the window that owns it to a worker that reads it
// (a save or a print behind the progress window). The worker reads the
// table only while it holds the lease, and lets go whenever the window may
// want the table back: when it is cancelled, before it waits on the disk,
// and once it has read all it needs. The window takes the table back when
// the work has ended or been cancelled; from then on the lease is never held
// again, so a worker left behind never reads a table that has changed.
class TableLease {
public:
    // The worker's side: true when the table is the worker's until leave();
    // false once the window has taken it back, and the work is to stop.
    bool enter();
    void leave();
    // The window's side: waits until the worker has let go, and keeps the
    // table from then on.
    void takeBack();

private:
    std::mutex m_mutex;
    bool m_takenBack = false;
};

// A worker's hold on a lease, let go at the end of its scope at the latest.
// Without a lease (the command line) the table is always the worker's.
class LeaseHold {
public:
    explicit LeaseHold(TableLease *lease) : m_lease(lease) {}
    ~LeaseHold() { leave(); }
    LeaseHold(const LeaseHold &) = delete;
    LeaseHold &operator=(const LeaseHold &) = delete;

    // True when the table may be read until leave().
    bool enter()
    {
        if (!m_lease || m_held)
            return true;
        m_held = m_lease->enter();
        return m_held;
    }
    void leave()
    {
        if (m_held)
            m_lease->leave();
        m_held = false;
    }

private:
    TableLease *m_lease;
    bool m_held = false;
};

} // namespace qn
