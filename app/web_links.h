#pragma once

#include <string>
#include <string_view>

namespace app {

/// The project web page, opened by "&Submit a fake" and the link labels; set
/// with the CMake cache variable BRISQUEN_PROJECT_PAGE.
std::string_view projectPage();

/// The author's web page, opened from the About window; BRISQUEN_AUTHOR_PAGE.
std::string_view authorPage();

/// Who wrote the program, as the title and the About window credit it;
/// BRISQUEN_AUTHOR_CREDIT.
std::string_view authorCredit();

/// The project page's site without its scheme or final "/", as the windows show it.
std::string projectSite();

} // namespace app
