#include "registry.h"

namespace platform {
namespace {

// No registry exists here, so the client's protocol registration is never found.
class NoRegistry final : public Registry {
public:
    std::optional<std::string> readClassesRootDefault(std::string_view) override { return {}; }
};

} // namespace

Registry& systemRegistry()
{
    static NoRegistry registry;
    return registry;
}

} // namespace platform
