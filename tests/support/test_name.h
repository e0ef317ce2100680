#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace testing_support {

/// `text` as a GoogleTest name, so that ctest lists a table's rows readably:
/// every character but letters and digits becomes '_'.
inline std::string testName(std::string_view text)
{
    std::string name(text);
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name.empty() ? "empty" : name;
}

} // namespace testing_support
