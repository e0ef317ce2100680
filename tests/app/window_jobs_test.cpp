// The window's jobs as the user meets them: what closing does while a job
// waits for the user or for a server, what a job that throws shows, and the
// order of jobs asked for while one waits for an answer.

#include "app/about_window.h"
#include "app/appearance.h"
#include "platform/qt/qt_http_client.h"
#include "tests/support/bytes_read.h"
#include "tests/support/local_http_server.h"
#include "window_program.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <atomic>
#include <fstream>
#include <new>
#include <stdexcept>

using session::PassEnd;
using testing_support::clean;
using testing_support::dropFileOn;
using testing_support::fake;
using testing_support::Program;
using testing_support::ProgramOptions;

namespace {

const std::string folderNotFound =
    "eDonkey Folder not found, please select the\r\npref.met in you eDonkey folder";

// Closes the About window with its focused "&Quit", which asks for a pass.
void closeAbout(Program& program)
{
    program.click("Command2");
    QTest::keyClick(program.form->aboutWindow()->findChild<QWidget*>("Command1"), Qt::Key_Return);
}

} // namespace

class WindowJobsTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { app::installAppearance(); }

    // Closing the window while it asks for a job: the job goes no further,
    // neither to the dialog after the message nor to the rest after the dialog.
    void closingWhileAQuestionIsOpenEndsTheJobThere()
    {
        Program lost; // no client anywhere: the pass asks for its settings file
        lost.scripted.onAsked([&] { lost.form->close(); });
        lost.form->show();
        QTRY_COMPARE(lost.scripted.messages, std::vector{folderNotFound});
        QTest::qWait(200);
        QCOMPARE(lost.endings, 1);
        QVERIFY(lost.scripted.dialogs.empty());
        QCOMPARE(lost.spy->count(), 0);

        Program program;
        const auto client = program.client({clean, fake});
        program.form->show();
        program.waitForPass(1);
        const QString log = program.log();
        program.scripted.queueFileChoice(client.partFiles[1]);
        program.scripted.onAsked([&] { program.form->close(); });
        program.click("Command7");
        QTRY_COMPARE(program.endings, 1);
        QTest::qWait(200);
        QCOMPARE(program.scripted.dialogs.size(), 1u);
        QCOMPARE(program.log(), log);
    }

    // A pass asked for while the part file dialog is open runs after the part
    // file's check, which the answer let go on, and once.
    void aPassAskedForDuringAQuestionRunsAfterTheAnswer()
    {
        Program program;
        const auto client = program.client({clean, fake});
        program.form->show();
        program.waitForPass(1);
        program.scripted.queueFileChoice(client.partFiles[1]);
        QStringList atEnds; // the log at each pass's end
        connect(program.form.get(), &app::MainWindow::passFinished,
                [&] { atEnds << program.log(); });
        bool asked = false;
        program.scripted.onAsked([&] {
            if (!std::exchange(asked, true)) {
                closeAbout(program);
                closeAbout(program);
            }
        });
        program.click("Command7");
        QTRY_COMPARE(atEnds.size(), 1);
        QTest::qWait(200);
        QCOMPARE(atEnds.size(), 1);
        QVERIFY(atEnds[0].startsWith(QStringLiteral("*** Loading Database")));
        QVERIFY(!program.log().contains(QStringLiteral("Matrix.4.avi...")));
        QVERIFY(!testing_support::exists(program.files.partCopy()));
    }

    // Whatever a job throws is told, in the log and in a message box; a pass
    // is said to have ended, an update ends with its own message, and the
    // window goes on as before.
    void aJobThatThrowsIsShownAndTheWindowGoesOn()
    {
        std::atomic<int> throwing = 0; // 1: a runtime error, 2: no memory, 3: an int
        Program program(ProgramOptions{.jobSeam = [&](std::optional<session::Job>) {
            switch (throwing.load()) {
            case 1:
                throw std::runtime_error("disk \x1b[2Jon fire");
            case 2:
                throw std::bad_alloc();
            case 3:
                throw 42;
            default:
                break;
            }
        }});
        program.start({fake});
        const std::vector<std::string> reasons{"disk \\x1b[2Jon fire", "not enough memory",
                                               "an unexpected error"};
        for (int kind = 1; kind <= 3; ++kind) {
            throwing = kind;
            closeAbout(program);
            QCOMPARE(program.waitForPass(kind + 1), PassEnd::Failed);
            const std::string& reason = reasons[std::size_t(kind - 1)];
            QCOMPARE(program.scripted.messages.back(), "Brisquen could not finish: " + reason);
            QVERIFY(program.log().endsWith(QString::fromStdString("*** " + reason + "\r\n")));
        }
        program.click("Command3");
        QTRY_COMPARE(program.scripted.messages.back(),
                     std::string("Error occured during updating, try again later"));
        throwing = 0;
        closeAbout(program);
        QCOMPARE(program.waitForPass(5), PassEnd::FakesFound);
        program.click("Command1");
        QCOMPARE(program.label1(), QStringLiteral("No Entry found"));
    }

    // A hash that throws leaves no "Hashing…" standing.
    void aHashThatThrowsClearsTheHashingLabel()
    {
        std::atomic<bool> throwing = false;
        Program program(ProgramOptions{.jobSeam = [&](std::optional<session::Job> job) {
            if (!job && throwing)
                throw std::runtime_error("read error");
        }});
        program.start({clean});
        const std::string big = program.dir.file("big.bin");
        fixtures::writeZeroFile(big, 400'000'000);
        dropFileOn(program, big);
        QTRY_VERIFY(program.label1().startsWith(QStringLiteral("Hashing big.bin")));
        throwing = true;
        QTRY_COMPARE(program.label1(), QString());
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"Brisquen could not finish: read error"});
        QVERIFY(program.log().endsWith(QStringLiteral("*** read error\r\n")));
    }

    // "&Quit" pressed while the start-up pass loads a list of several hundred
    // MB ends the program within half a second, and no pass is said to end.
    void quitDuringTheStartUpLoadEndsAtOnce()
    {
        Program program;
        program.client({clean});
        fixtures::writeLargeList(program.files.fakesDat(), 400u << 20);
        program.form->show();
        QTRY_VERIFY(program.log().startsWith(QStringLiteral("*** Loading Database..")));
        QTest::qWait(150); // well into the list
        QVERIFY(!program.log().contains(QStringLiteral("entries loaded")));
        QElapsedTimer quitting;
        quitting.start();
        program.click("Command5");
        QVERIFY2(quitting.elapsed() < 500, QByteArray::number(quitting.elapsed()));
        QCOMPARE(program.endings, 1);
        QTest::qWait(100);
        QCOMPARE(program.spy->count(), 0);
        QVERIFY(program.scripted.messages.empty());
    }

    // Closing the window while the update waits for a server that never
    // answers ends the transfer, and the program, at once.
    void closingDuringAHangingUpdateEndsAtOnce()
    {
        testing_support::LocalHttpServer server;
        server.serve("/brisquen/update/brisquen.txt", {.status = 0});
        Program program(ProgramOptions{
            .updateServer = server.address(),
            .makeHttp = [](std::stop_token stop) -> std::unique_ptr<platform::HttpClient> {
                auto http = std::make_unique<platform::QtHttpClient>();
                http->stopOn(std::move(stop));
                return http;
            }});
        program.start({clean});
        program.click("Command3");
        QTRY_COMPARE(server.requests().size(), 1u);
        QTest::qWait(100);
        QElapsedTimer closing;
        closing.start();
        program.form->close();
        QVERIFY2(closing.elapsed() < 1000, QByteArray::number(closing.elapsed()));
        QCOMPARE(program.endings, 1);
        QVERIFY(program.scripted.messages.empty());
    }

    // "&Check it" pressed while the next pass reads a changed list waits for
    // it, the list in use having gone: the answer is the new list's, its
    // fake's line last, so that a half-read list would miss it.
    void aLinkCheckedWhileAChangedListLoadsIsAnsweredFromIt()
    {
        Program program;
        program.start({clean});
        program.find<QLineEdit>("Text2")->setText(
            QString::fromStdString("ed2k://|file|x|734003200|" + fake.hash + "|"));
        program.click("Command1");
        QCOMPARE(program.label1(), QStringLiteral("*** Fake - ad"));

        fixtures::writeLargeList(program.files.fakesDat(), 300u << 20);
        std::ofstream(program.files.fakesDat(), std::ios::binary | std::ios::app)
            << fixtures::fakesDatLine(fake, "Fake - listed again");
        const auto readBefore = testing_support::bytesReadSoFar();
        closeAbout(program);
        QVERIFY(QTest::qWaitFor(
            [&] { return testing_support::bytesReadSoFar() - readBefore > (8u << 20); }, 10000));
        program.click("Command1");
        QCOMPARE(program.label1(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(program.label1(), QStringLiteral("*** Fake - listed again"),
                                  60000);
        QCOMPARE(program.waitForPass(2), PassEnd::Clean);
    }
};

QTEST_MAIN(WindowJobsTest)
#include "window_jobs_test.moc"
