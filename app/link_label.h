#pragma once

#include <QLabel>

namespace app {

/// A label drawn as a web link (highlight colour, underlined, up-arrow
/// pointer) that reports a click.
class LinkLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkLabel)

public:
    LinkLabel(const QString& text, Qt::Alignment alignment, QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace app
