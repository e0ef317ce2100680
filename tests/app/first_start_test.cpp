// The installed window's first start with no list anywhere: it offers to
// fetch one from its update server (a local one, set by UpdateServer=).

#include "app/appearance.h"
#include "app/main_window.h"
#include "platform/ini_file.h"
#include "platform/qt/qt_http_client.h"
#include "session/update_command.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using session::PassEnd;
using testing_support::HttpAnswer;

Q_DECLARE_METATYPE(session::PassEnd)

namespace {

const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class FirstStart {
public:
    explicit FirstStart(bool installed)
        : files{dir.makeFolder("data"), dir.makeFolder("config"), {}, installed}
    {
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("1"));
        server.serve("/brisquen/update/fakes.dat",
                     HttpAnswer::ok("[" + fixtures::fakesDatLine(fake, "Fake - ad") + "]"));
        const auto client = fixtures::writeClientFolder(dir.file("client"), {fake});
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", client.folder);
        platform::writeIniString(files.settingIni(), "Settings", "UpdateServer", server.address());
        form = std::make_unique<app::MainWindow>(app::MainWindowServices{
            files, desktop, registry,
            [](std::stop_token stop) -> std::unique_ptr<platform::HttpClient> {
                auto http = std::make_unique<platform::QtHttpClient>();
                http->stopOn(std::move(stop));
                return http;
            },
            session::chooseUpdateServer(files, std::nullopt),
            session::ClientPlaces{std::nullopt, dir.makeFolder("home")},
            [this] {
                ++endings;
            }});
        spy = std::make_unique<QSignalSpy>(form.get(), &app::MainWindow::passFinished);
    }
    ~FirstStart() { form.reset(); }

    PassEnd start()
    {
        form->show();
        if (!QTest::qWaitFor([&] { return spy->count() >= 1; }, 10000))
            qFatal("no check pass ended");
        return spy->at(0).at(0).value<PassEnd>();
    }
    QString log() const
    {
        return form->findChild<QPlainTextEdit*>("Text1")->toPlainText().replace("\n", "\r\n");
    }
    std::string question() const
    {
        return "No list of known fakes yet. Get it now from " + server.address() + "?";
    }

    testing_support::TempDir dir;
    testing_support::LocalHttpServer server;
    session::ProgramFiles files;
    testing_support::ScriptedDesktop desktop;
    testing_support::ScriptedRegistry registry;
    int endings = 0;
    std::unique_ptr<app::MainWindow> form;
    std::unique_ptr<QSignalSpy> spy;
};

const std::string noDatabase =
    "No Fake Database found\r\n( copy the fakes.dat file in the \r\nsame directory as this file )";

} // namespace

class FirstStartTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { app::installAppearance(); }

    void yesFetchesTheListAndChecksWithIt()
    {
        FirstStart program(true);
        program.desktop.yesToQuestions = true;
        QCOMPARE(program.start(), PassEnd::FakesFound);
        QCOMPARE(program.desktop.questions, std::vector<std::string>{program.question()});
        QCOMPARE(program.log(),
                 QStringLiteral("*** Loading Database...done ( 3 entries loaded )\r\n"
                                "*** Checking Files..\r\nMatrix.4.avi\r\n*** Fake - ad\r\n\r\n"
                                "*** Finished checking.\r\n"));
        QVERIFY(program.desktop.messages.empty());
        QCOMPARE(program.endings, 0);
    }

    void noOrAFailedUpdateEndsWithTheUsualMessage()
    {
        FirstStart declined(true);
        QCOMPARE(declined.start(), PassEnd::DatabaseMissing);
        QCOMPARE(declined.desktop.questions.size(), 1u);
        QCOMPARE(declined.desktop.messages, std::vector<std::string>{noDatabase});
        QCOMPARE(declined.endings, 1);
        QVERIFY(declined.server.requests().empty());

        FirstStart failing(true);
        failing.desktop.yesToQuestions = true;
        failing.server.serve("/brisquen/update/fakes.dat", {.status = 404});
        QCOMPARE(failing.start(), PassEnd::DatabaseMissing);
        QCOMPARE(failing.desktop.messages,
                 (std::vector<std::string>{"Error occured during updating, try again later",
                                           noDatabase}));
        QCOMPARE(failing.endings, 1);
    }

    // A portable copy keeps the message and the end, asking nothing.
    void aPortableCopyNeverAsks()
    {
        FirstStart portable(false);
        portable.desktop.yesToQuestions = true;
        QCOMPARE(portable.start(), PassEnd::DatabaseMissing);
        QVERIFY(portable.desktop.questions.empty());
        QCOMPARE(portable.desktop.messages, std::vector<std::string>{noDatabase});
    }
};

QTEST_MAIN(FirstStartTest)
#include "first_start_test.moc"
