#pragma once

#include "platform/log_box.h"

class QPlainTextEdit;

namespace app {

/// The log box `Text1` as the checks write to it. Like setting a text box's
/// whole text, every write leaves the caret at the start and shows the top of
/// the log; whatever the user typed into the box stays until the next replace.
class LogView final : public platform::LogBox {
public:
    explicit LogView(QPlainTextEdit& box);

    void replace(std::string_view text) override;
    void append(std::string_view text) override;

private:
    void showTop();

    QPlainTextEdit& m_box;
};

} // namespace app
