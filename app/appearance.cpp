#include "app/appearance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

namespace app {
namespace {

class EnterClicks final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

} // namespace

void installAppearance()
{
    if (QStyle* windows = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(windows);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier"), {QStringLiteral("Liberation Mono"),
                                                           QStringLiteral("DejaVu Sans Mono")});
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSizeF(8.25);
    QApplication::setFont(windowFont);
}

void clickOnEnter(QAbstractButton* button)
{
    button->installEventFilter(new EnterClicks(button));
}

QFont logFont()
{
    // No TypeWriter style hint: it would override the family.
    QFont font(QStringLiteral("Courier"));
    font.setPointSizeF(9.75);
    return font;
}

namespace {

// Lowers the widget's font a quarter point at a time, down to 7 pt, while
// `tooBig` says the text would not fit in that font.
template <typename TooBig>
void shrinkFontWhile(QWidget* widget, TooBig tooBig)
{
    constexpr qreal smallest = 7.0;
    QFont font = widget->font();
    while (tooBig(QFontMetrics(font)) && font.pointSizeF() > smallest)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    if (font != widget->font())
        widget->setFont(font);
}

} // namespace

void fitCaption(QWidget* button, const QString& caption)
{
    constexpr int padding = 8; // the button's border and some air
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    shrinkFontWhile(button, [&](const QFontMetrics& metrics) {
        return metrics.horizontalAdvance(shown) > button->width() - padding;
    });
}

void fitText(QLabel* label)
{
    const QRect box = label->contentsRect();
    const int flags = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    shrinkFontWhile(label, [&](const QFontMetrics& metrics) {
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, box.width(), QWIDGETSIZE_MAX), flags, label->text());
        return needed.width() > box.width() || needed.height() > box.height();
    });
}

QPushButton* designButton(const char* name, const QString& caption, QRect geometry, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    clickOnEnter(button);
    fitCaption(button, caption);
    return button;
}

QLabel* designLabel(const char* name, const QString& text, QRect geometry, bool wrap,
                    QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fitText(label);
    return label;
}

void centreOnScreen(QWidget& window)
{
    const QRect screen = window.screen()->availableGeometry();
    const QRect outer = window.frameGeometry();
    window.move(screen.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

} // namespace app
