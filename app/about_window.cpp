#include "app/about_window.h"

#include "app/appearance.h"
#include "app/link_label.h"
#include "app/twips.h"
#include "app/web_links.h"
#include "platform/qt/qt_text.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace app {

AboutWindow::AboutWindow(platform::Desktop& desktop)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(QIcon(QStringLiteral(":/brisquen/brisquen.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(toPixels(4680), toPixels(4230));

    auto* frame = new QGroupBox(QStringLiteral("&About"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(120, 120, 4455, 3495));

    designLabel("Label1",
                QStringLiteral("This tool allows you to check for fakes, so you dont download a "
                               "file you dont want because someone shares it with a fake name."),
                twipsRect(240, 360, 3855, 615), true, frame);
    designLabel("Label2", QStringLiteral("Newer versions of this tool will be available at :"),
                twipsRect(240, 1080, 4095, 255), false, frame);

    auto* projectLink = new LinkLabel(platform::fromUtf8Text(projectPage()) + QLatin1Char(' '),
                                      Qt::AlignLeft, frame);
    projectLink->setObjectName(QStringLiteral("Label3"));
    projectLink->setGeometry(twipsRect(600, 1440, 3135, 255));
    fitText(projectLink);
    auto* authorLink = new LinkLabel(platform::fromUtf8Text(authorPage()), Qt::AlignLeft, frame);
    authorLink->setObjectName(QStringLiteral("Label4"));
    authorLink->setGeometry(twipsRect(600, 1680, 3135, 255));
    fitText(authorLink);

    designLabel("Label5",
                QStringLiteral("If you got questions, RTFM first, then try to mail us... :)"),
                twipsRect(240, 2040, 3975, 255), false, frame);
    designLabel("Label6",
                QStringLiteral("Coding done by ") + platform::fromUtf8Text(authorCredit()),
                twipsRect(1080, 2520, 2055, 255), false, frame);
    designLabel("Label7",
                QStringLiteral("Database provided by ") + platform::fromUtf8Text(projectSite()) +
                    QLatin1Char(' '),
                twipsRect(600, 2880, 3615, 255), false, frame);

    auto* quit =
        designButton("Command1", QStringLiteral("&Quit"), twipsRect(960, 3720, 2655, 375), this);
    quit->setFocus();

    connect(projectLink, &LinkLabel::clicked, this, [&desktop] { desktop.openUrl(projectPage()); });
    connect(authorLink, &LinkLabel::clicked, this, [&desktop] { desktop.openUrl(authorPage()); });
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
}

void AboutWindow::closeEvent(QCloseEvent* event)
{
    // Never refused: the main window must get its turn back.
    event->accept();
    emit closed();
}

} // namespace app
