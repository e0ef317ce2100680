#pragma once

// The real main window over a program folder of its own, for the window's
// tests: the user's answers to dialogs and message boxes are scripted through
// the desktop, and the update's transfers go to a scripted network unless a
// test makes its own HTTP clients.

#include "app/main_window.h"
#include "platform/ini_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(session::PassEnd)

namespace testing_support {

inline const fixtures::Download clean{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
inline const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

// Hands each update's transfers to a network the test scripts.
class NetworkForJobs final : public platform::HttpClient {
public:
    explicit NetworkForJobs(platform::HttpClient& network)
        : m_network(network)
    {
    }
    std::optional<std::string> get(std::string_view url) override { return m_network.get(url); }

private:
    platform::HttpClient& m_network;
};

/// What a test changes in the window's outside world.
struct ProgramOptions {
    platform::Desktop* desktop = nullptr; // else the scripted one
    platform::HttpClient* http = nullptr; // else the scripted network
    std::string updateServer = "http://offline.test";
    /// Makes each update's HTTP client, instead of one over `http`.
    std::function<std::unique_ptr<platform::HttpClient>(std::stop_token)> makeHttp = {};
    std::function<void(std::optional<session::Job>)> jobSeam = {};
};

// A program folder with a database, a client folder it knows, and the main
// window over them.
class Program {
public:
    explicit Program(platform::Desktop* desktop = nullptr, platform::HttpClient* http = nullptr,
                     std::string updateServer = "http://offline.test")
        : Program(ProgramOptions{desktop, http, std::move(updateServer)})
    {
    }

    explicit Program(ProgramOptions options)
        : files{dir.makeFolder("program")}
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fake, "Fake - ad"));
        const std::function<void()> ending([this] { ++endings; });
        platform::HttpClient& transfers = options.http ? *options.http : network;
        auto makeHttp =
            options.makeHttp ? std::move(options.makeHttp) : [&transfers](std::stop_token) {
                return std::unique_ptr<platform::HttpClient>(
                    std::make_unique<NetworkForJobs>(transfers));
            };
        form = std::make_unique<app::MainWindow>(
            app::MainWindowServices{files, options.desktop ? *options.desktop : scripted, registry,
                                    std::move(makeHttp), std::move(options.updateServer),
                                    session::ClientPlaces{std::nullopt, dir.makeFolder("home")},
                                    ending, std::move(options.jobSeam)});
        spy = std::make_unique<QSignalSpy>(form.get(), &app::MainWindow::passFinished);
    }
    ~Program() { form.reset(); } // its jobs stop before the rest goes

    fixtures::ClientFolder client(const std::vector<fixtures::Download>& downloads)
    {
        auto folder = fixtures::writeClientFolder(dir.file("client"), downloads);
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", folder.folder);
        return folder;
    }

    // With these downloads in the client folder, shows the window, which
    // starts the first pass, and waits for it to end.
    session::PassEnd start(const std::vector<fixtures::Download>& downloads)
    {
        client(downloads);
        form->show();
        return waitForPass(1);
    }

    session::PassEnd waitForPass(int count)
    {
        if (!QTest::qWaitFor([&] { return spy->count() >= count; }, 5000))
            qFatal("no check pass ended");
        return spy->at(count - 1).at(0).value<session::PassEnd>();
    }

    template <typename T = QWidget>
    T* find(const char* name) const
    {
        return form->findChild<T*>(name);
    }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void click(const char* name) { click(find(name)); }
    QString label1() const { return find<QLabel>("Label1")->text(); }
    QPlainTextEdit* text1() const { return find<QPlainTextEdit>("Text1"); }
    // The log as the program wrote it, with CR LF line ends.
    QString log() const { return text1()->toPlainText().replace("\n", "\r\n"); }

    TempDir dir;
    session::ProgramFiles files;
    ScriptedDesktop scripted;
    ScriptedRegistry registry;
    ScriptedHttp network;
    int endings = 0;
    std::unique_ptr<app::MainWindow> form;
    std::unique_ptr<QSignalSpy> spy;
};

// Drops the file at `path` on the window, as the window system sends it: the
// drop goes where the drag entered.
inline void dropFileOn(Program& program, const std::string& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(program.form.get(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(program.form.get(), &drop);
    QVERIFY(enter.isAccepted() && drop.isAccepted());
}

} // namespace testing_support
