#pragma once

#include <QFont>

class QAbstractButton;
class QLabel;
class QPushButton;
class QRect;

namespace app {

/// Gives the application the look the windows were designed for: the classic
/// Windows style, and the design fonts, which Linux lacks, mapped to
/// metric-compatible ones. The window font becomes the application's, so
/// message boxes and dialogs use it too.
void installAppearance();

/// Shrinks the font of a button whose caption would not fit it: the design
/// font is narrower than its stand-in.
void fitCaption(QWidget* button, const QString& caption);

/// Shrinks the font of a label whose text would not fit its box, as the
/// stand-in fonts of a system without the metric-compatible ones would not.
void fitText(QLabel* label);

/// A push button where the design puts it: Enter clicks it while it has the
/// focus, it is never a dialog's default, and its caption's font is fitted.
QPushButton* designButton(const char* name, const QString& caption, QRect geometry,
                          QWidget* parent);

/// A label where the design puts it: plain text (never markup) from the top
/// left of `geometry`, wrapped at word boundaries when `wrap`, its font fitted.
QLabel* designLabel(const char* name, const QString& text, QRect geometry, bool wrap,
                    QWidget* parent);

/// Makes Enter and Return click the button while it has the focus, as they
/// do on Windows; Qt leaves that to default buttons of dialogs.
void clickOnEnter(QAbstractButton* button);

/// "Courier" 9.75 pt, the log box's and the link result's font.
QFont logFont();

/// Places a top-level window in the middle of its screen.
void centreOnScreen(QWidget& window);

} // namespace app
