// Brisquen's window program. Its command line only answers --help and
// --version; everything else it needs is in its program files (fakes.dat,
// Setting.ini), found by the rule in session/program_files.h.

#include "app/appearance.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/environment.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_http_client.h"
#include "session/database_update.h"
#include "session/folder_lock.h"
#include "session/program_files.h"
#include "session/texts.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so that they need no display.
    if (const auto answer = app::commandLineAnswer(argc, argv)) {
        std::cout << *answer;
        return EXIT_SUCCESS;
    }
    const auto found =
        session::programFilesFor(platform::readEnvironment(), session::installedBinFolder());
    if (!found) {
        std::cerr << "brisquen: " << session::texts::noHomeFolder << '\n';
        return 2;
    }
    const session::ProgramFiles& files = *found;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisquen"));
    // Wayland finds the window's icon through the desktop entry of this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.brisquen.Brisquen"));
    app::installAppearance();

    platform::QtDesktop desktop;
    platform::QtHttpClient http;
    app::MainWindow window({files, desktop, platform::systemRegistry(), http,
                            session::chooseUpdateServer(files, std::nullopt), [&files] {
                                // Ends at once, even from inside a check pass, leaving no
                                // working copy of a client file behind.
                                session::removeWorkingCopies(files);
                                std::fflush(nullptr);
                                std::_Exit(EXIT_SUCCESS);
                            }});
    desktop.setOwner(&window);

    app::centreOnScreen(window);
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
