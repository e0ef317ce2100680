// Brisquen's window program. It has no command line: everything it needs
// stands beside its executable (fakes.dat, Setting.ini).

#include "app/appearance.h"
#include "app/main_window.h"
#include "platform/program_folder.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_http_client.h"
#include "session/folder_lock.h"
#include "update/database_update.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisquen"));
    app::installAppearance();

    const session::ProgramFiles files{platform::programFolder()};
    platform::QtDesktop desktop;
    platform::QtHttpClient http;
    app::MainWindow window({files, desktop, platform::systemRegistry(), http,
                            std::string(update::defaultServer()), [&files] {
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
