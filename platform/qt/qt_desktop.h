#pragma once

#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

namespace platform {

/// The desktop of the window program: Qt message boxes and file dialogs owned
/// by the main window, the user's browser, and Qt's event loop.
class QtDesktop final : public Desktop {
public:
    /// The window that owns message boxes and dialogs; may be set later.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void showMessage(std::string_view text) override;
    std::string chooseFile(std::string_view pattern, std::string_view title,
                           std::string_view initialDir) override;
    void openUrl(std::string_view url) override;

    /// Handles queued events. Long jobs call this after every small step; the
    /// event loop only runs when some time has passed since it last ran, which
    /// keeps the window responsive without paying for the loop thousands of
    /// times a second.
    void yield() override;

private:
    QPointer<QWidget> m_owner;
    QElapsedTimer m_sinceLastYield;
};

} // namespace platform
