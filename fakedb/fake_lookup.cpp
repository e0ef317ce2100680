#include "fakedb/fake_lookup.h"

namespace fakedb {

FakeLookup::FakeLookup(const FakeDatabase& list)
    : m_list(std::shared_ptr<const FakeDatabase>(), &list)
{
}

FakeLookup::FakeLookup(std::shared_ptr<const FakeDatabase> list,
                       std::shared_ptr<const FakeDatabase> personal, RatedFakes rated)
    : m_list(std::move(list))
    , m_personal(std::move(personal))
    , m_rated(std::move(rated))
{
}

FakeLookup FakeLookup::withRatings(RatedFakes rated) const
{
    return FakeLookup(m_list, m_personal, std::move(rated));
}

std::string FakeLookup::lookupFake(std::string_view hash, std::string_view size) const
{
    for (const auto* list : {m_list.get(), m_personal.get()}) {
        if (!list)
            continue;
        if (auto hit = list->lookupFake(hash, size); !hit.empty())
            return hit;
    }
    if (m_rated.isRatedFake && m_rated.isRatedFake(hash))
        return "*** " + m_rated.description;
    return {};
}

} // namespace fakedb
