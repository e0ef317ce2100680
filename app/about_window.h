#pragma once

#include "platform/desktop.h"

#include <QWidget>

class QPushButton;

namespace app {

/// The About window. It has no owner; while it is open the main window is
/// disabled, and its closing, by "&Quit" or the close box, is reported once.
class AboutWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutWindow)

public:
    explicit AboutWindow(platform::Desktop& desktop);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace app
