#include "session/program_state.h"

#include <utility>

namespace session {

std::shared_ptr<const fakedb::FakeDatabase> FakeList::current() const
{
    const std::scoped_lock lock(m_mutex);
    return m_list;
}

void FakeList::replace(std::shared_ptr<const fakedb::FakeDatabase> list)
{
    // The old list may be large: it goes once the lock is released.
    std::shared_ptr<const fakedb::FakeDatabase> old;
    std::function<void()> listener;
    {
        const std::scoped_lock lock(m_mutex);
        old = std::exchange(m_list, std::move(list));
        listener = m_onReplaced;
    }
    if (listener)
        listener();
}

void FakeList::onReplaced(std::function<void()> listener)
{
    const std::scoped_lock lock(m_mutex);
    m_onReplaced = std::move(listener);
}

} // namespace session
