#include "app/web_links.h"

namespace app {

std::string projectSite()
{
    std::string_view site = projectPage;
    if (const auto scheme = site.find("://"); scheme != std::string_view::npos)
        site.remove_prefix(scheme + 3);
    if (site.ends_with('/'))
        site.remove_suffix(1);
    return std::string(site);
}

} // namespace app
