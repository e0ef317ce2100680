#pragma once

#include <string>
#include <string_view>

namespace platform {

/// The window system as the domain code sees it: modal boxes, the file dialog
/// and the browser. The window program passes a Qt implementation; tests pass
/// a scripted one; the command line a console one.
class Desktop {
public:
    virtual ~Desktop() = default;

    /// Shows a modal message box with an OK button only, no icon and the caption
    /// "Brisquen"; returns when the user has closed it. Lines in `text` end in CR LF.
    virtual void showMessage(std::string_view text) = 0;

    /// Shows the open-file dialog with one filter entry `pattern` (for example
    /// "*.part.met"), the given title, opening in `initialDir`. Returns the chosen
    /// path as bytes, or the empty text when the user cancelled.
    virtual std::string chooseFile(std::string_view pattern, std::string_view title,
                                   std::string_view initialDir) = 0;

    /// Hands a web address to the browser. Failures are not reported.
    virtual void openUrl(std::string_view url) = 0;

    /// Asks a question with Yes and No, Yes the default, in a modal box with
    /// the caption "Brisquen"; true for Yes. A desktop that cannot ask
    /// answers No.
    virtual bool askYesNo(std::string_view question)
    {
        static_cast<void>(question);
        return false;
    }
};

} // namespace platform
