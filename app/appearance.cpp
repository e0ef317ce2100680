#include "app/appearance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
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

void fitCaption(QWidget* button, const QString& caption)
{
    constexpr qreal smallest = 7.0;
    constexpr int padding = 8; // the button's border and some air
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    QFont font = button->font();
    while (QFontMetrics(font).horizontalAdvance(shown) > button->width() - padding &&
           font.pointSizeF() > smallest)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    if (font != button->font())
        button->setFont(font);
}

void centreOnScreen(QWidget& window)
{
    const QRect screen = window.screen()->availableGeometry();
    const QRect outer = window.frameGeometry();
    window.move(screen.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

} // namespace app
