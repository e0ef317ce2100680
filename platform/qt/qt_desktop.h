#pragma once

#include "platform/desktop.h"

#include <QPointer>
#include <QWidget>

namespace platform {

/// The desktop of the window program: Qt message boxes and file dialogs owned
/// by the main window, and the user's browser. For the window's thread only.
class QtDesktop final : public Desktop {
public:
    /// The window that owns message boxes and dialogs; may be set later.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void showMessage(std::string_view text) override;
    bool askYesNo(std::string_view question) override;
    std::string chooseFile(std::string_view pattern, std::string_view title,
                           std::string_view initialDir) override;
    void openUrl(std::string_view url) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace platform
