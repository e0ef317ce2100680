#pragma once

#include "fakedb/fake_database.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace fakedb {

/// Downloads the user rated as fakes in the client: whether a hash (32
/// lower-case hexadecimal digits) is one, and the text that says so.
struct RatedFakes {
    std::function<bool(std::string_view hash)> isRatedFake; // empty: no ratings
    std::string description;                                // "rated as a fake in aMule"
};

/// Where a check looks a file up: fakes.dat, then the user's own list, then
/// the client's ratings; the first that knows the file answers.
class FakeLookup {
public:
    /// fakes.dat alone, borrowed: it must outlive the lookup.
    FakeLookup(const FakeDatabase& list); // NOLINT(google-explicit-constructor): a view

    /// Either list may be missing.
    FakeLookup(std::shared_ptr<const FakeDatabase> list,
               std::shared_ptr<const FakeDatabase> personal, RatedFakes rated = {});

    /// The same lists, with the client's ratings after them.
    FakeLookup withRatings(RatedFakes rated) const;

    /// "*** " and the description of the first list that holds `hash` with
    /// `size`, else "*** " and the rating's text for a hash rated as a fake,
    /// else the empty text.
    std::string lookupFake(std::string_view hash, std::string_view size) const;

private:
    std::shared_ptr<const FakeDatabase> m_list;
    std::shared_ptr<const FakeDatabase> m_personal;
    RatedFakes m_rated;
};

} // namespace fakedb
