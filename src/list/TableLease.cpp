#include "list/TableLease.h"

namespace qn {

bool TableLease::enter()
{
    m_mutex.lock();
    if (!m_takenBack)
        return true;
    m_mutex.unlock();
    return false;
}

void TableLease::leave()
{
    m_mutex.unlock();
}

void TableLease::takeBack()
{
    std::lock_guard lock(m_mutex);
    m_takenBack = true;
}

} // namespace qn
