#include "app/web_links.h"

namespace app {

std::string_view projectPage()
{
    return BRISQUEN_PROJECT_PAGE;
}

std::string_view authorPage()
{
    return BRISQUEN_AUTHOR_PAGE;
}

std::string_view authorCredit()
{
    return BRISQUEN_AUTHOR_CREDIT;
}

std::string projectSite()
{
    std::string_view site = projectPage();
    if (const auto scheme = site.find("://"); scheme != std::string_view::npos)
        site.remove_prefix(scheme + 3);
    if (site.ends_with('/'))
        site.remove_suffix(1);
    return std::string(site);
}

} // namespace app
