#pragma once

#include "platform/desktop.h"

#include <functional>
#include <string>

namespace session {

/// What a job needs the user to answer before the rest of it can run: the
/// message box `message`, when there is one, then the open-file dialog with
/// the filter `pattern`, the title `title`, opening in `initialDir`.
struct FileQuestion {
    std::string message;
    std::string pattern;
    std::string title;
    std::string initialDir;
};

/// Asks `question` on `desktop`: the chosen path, or the empty text when the
/// user cancelled. The dialog is not opened when `stillWanted`, asked once the
/// message is closed, says nobody waits for the answer any more.
inline std::string ask(platform::Desktop& desktop, const FileQuestion& question,
                       const std::function<bool()>& stillWanted = {})
{
    if (!question.message.empty())
        desktop.showMessage(question.message);
    if (stillWanted && !stillWanted())
        return {};
    return desktop.chooseFile(question.pattern, question.title, question.initialDir);
}

} // namespace session
