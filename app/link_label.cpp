#include "app/link_label.h"

#include <QMouseEvent>

namespace app {

LinkLabel::LinkLabel(const QString& text, Qt::Alignment alignment, QWidget* parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setUnderline(true);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::Highlight));
    setPalette(colours);
    setAlignment(alignment);
    setCursor(Qt::UpArrowCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace app
