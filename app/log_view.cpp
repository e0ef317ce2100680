#include "app/log_view.h"

#include "platform/qt/qt_text.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace app {

LogView::LogView(QPlainTextEdit& box)
    : m_box(box)
{
}

void LogView::replace(std::string_view text)
{
    m_box.setPlainText(platform::fromClientBytes(text));
    showTop();
}

void LogView::append(std::string_view text)
{
    // Inserting at the end gives the same text as setting old + new, without
    // laying out the whole log again for every line of a long check.
    QTextCursor end(m_box.document());
    end.movePosition(QTextCursor::End);
    end.insertText(platform::fromClientBytes(text));
    showTop();
}

void LogView::showTop()
{
    m_box.moveCursor(QTextCursor::Start);
    m_box.verticalScrollBar()->setValue(0);
    m_box.horizontalScrollBar()->setValue(0);
}

} // namespace app
