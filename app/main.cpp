// Brisquen's window program. Its command line only answers --help and
// --version; everything else it needs is in its program files (fakes.dat,
// Setting.ini), found by the rule in session/program_files.h.

#include "app/appearance.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/environment.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_http_client.h"
#include "platform/wine_registry.h"
#include "session/client_places.h"
#include "session/folder_lock.h"
#include "session/program_files.h"
#include "session/texts.h"
#include "session/update_command.h"

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
    const platform::Environment environment = platform::readEnvironment();
    const auto found = session::programFilesFor(environment, session::installedBinFolder());
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

    const session::ClientPlaces places = session::clientPlacesFor(environment);
    platform::WineRegistry registry(places.winePrefix.value_or(""));
    platform::QtDesktop desktop;
    // Each update makes its client on the jobs' thread, which runs its transfers.
    const auto makeHttp = [](std::stop_token stop) -> std::unique_ptr<platform::HttpClient> {
        auto http = std::make_unique<platform::QtHttpClient>();
        http->stopOn(std::move(stop));
        return http;
    };
    app::MainWindow window({files, desktop, registry, makeHttp,
                            session::chooseUpdateServer(files, std::nullopt), places, [&files] {
                                // Ends at once, once the jobs have stopped, leaving no
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
