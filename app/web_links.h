#pragma once

#include <string>
#include <string_view>

namespace app {

/// The project web page, opened by "&Submit a fake" and the link labels; set
/// with the CMake cache variable BRISQUEN_PROJECT_PAGE.
inline constexpr std::string_view projectPage = BRISQUEN_PROJECT_PAGE;

/// The author's web page, opened from the About window; BRISQUEN_AUTHOR_PAGE.
inline constexpr std::string_view authorPage = BRISQUEN_AUTHOR_PAGE;

/// Who wrote the program, as the title and the About window credit it.
inline constexpr std::string_view authorCredit = BRISQUEN_AUTHOR_CREDIT;

/// The project page's site without its scheme or final "/", as the windows show it.
std::string projectSite();

} // namespace app
