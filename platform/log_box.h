#pragma once

#include <string_view>

namespace platform {

/// The main window's log box. Writers supply every CR LF themselves; neither
/// operation adds a separator, moves the caret or scrolls.
class LogBox {
public:
    virtual ~LogBox() = default;

    /// Sets the whole text of the log.
    virtual void replace(std::string_view text) = 0;

    /// Adds `text` at the end of whatever the log holds now.
    virtual void append(std::string_view text) = 0;
};

} // namespace platform
