// Drives the real main window under the offscreen window system, with the
// user's answers to dialogs and message boxes scripted through the desktop.

#include "app/about_window.h"
#include "app/appearance.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_http_client.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using app::PassEnd;
using testing_support::ScriptedDesktop;
using testing_support::TempDir;

Q_DECLARE_METATYPE(app::PassEnd)

namespace {

const fixtures::Download clean{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// A program folder with a database, a client folder it knows, and the main
// window over them.
class Program {
public:
    explicit Program(platform::Desktop* desktop = nullptr, platform::HttpClient* http = nullptr,
                     std::string updateServer = "http://127.0.0.1:9")
        : files{dir.makeFolder("program")}
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fake, "Fake - ad"));
        scripted.onYield([] { QCoreApplication::processEvents(); });
        form = std::make_unique<app::Form1>(app::Form1Services{files, desktop ? *desktop : scripted,
                                                               registry, http ? *http : network,
                                                               std::move(updateServer), [this] {
                                                                   ++endings;
                                                               }});
        spy = std::make_unique<QSignalSpy>(form.get(), &app::Form1::passFinished);
    }

    fixtures::ClientFolder client(const std::vector<fixtures::Download>& downloads)
    {
        auto folder = fixtures::writeClientFolder(dir.file("client"), downloads);
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", folder.folder);
        return folder;
    }

    // Shows the window, which starts the first pass, and waits for it to end.
    PassEnd start()
    {
        form->show();
        return waitForPass(1);
    }

    PassEnd waitForPass(int count)
    {
        if (!QTest::qWaitFor([&] { return spy->count() >= count; }, 5000))
            qFatal("no check pass ended");
        return spy->at(count - 1).at(0).value<PassEnd>();
    }

    template <typename T>
    T* find(const char* name) const
    {
        return form->findChild<T*>(QLatin1String(name));
    }

    QString log() const
    {
        return find<QPlainTextEdit>("Text1")->toPlainText().replace(QLatin1String("\n"),
                                                                    QLatin1String("\r\n"));
    }

    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    TempDir dir;
    edonkey::ProgramFiles files;
    ScriptedDesktop scripted;
    testing_support::ScriptedRegistry registry;
    testing_support::OfflineHttp network;
    int endings = 0;
    std::unique_ptr<app::Form1> form;
    std::unique_ptr<QSignalSpy> spy;
};

const QString firstLine = QStringLiteral("*** Loading Database...done ( 3 entries loaded )\r\n");

} // namespace

class Form1Test final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<PassEnd>();
        app::installAppearance();
    }

    void passEndsOneOfSixWays_data()
    {
        QTest::addColumn<int>("downloads"); // -1: no client folder at all
        QTest::addColumn<bool>("brokenPrefMet");
        QTest::addColumn<bool>("database");
        QTest::addColumn<PassEnd>("end");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("message");
        const QString checking = firstLine + "*** Checking Files..\r\n";
        QTest::newRow("clean") << 1 << false << true << PassEnd::Clean
                               << checking + "Knoppix.iso\r\n*** No fakes found in your temp "
                                             "folder !\r\n"
                               << QString();
        QTest::newRow("fakes") << 2 << false << true << PassEnd::FakesFound
                               << checking + "Knoppix.iso\r\nMatrix.4.avi\r\n*** Fake - ad\r\n"
                                             "\r\n*** Finished checking.\r\n"
                               << QString();
        QTest::newRow("nothing to check")
            << 0 << false << true << PassEnd::NothingToCheck << checking << QString();
        QTest::newRow("cancelled") << -1 << false << true << PassEnd::Cancelled << firstLine
                                   << "eDonkey Folder not found, please select the\r\npref.met "
                                      "in you eDonkey folder";
        QTest::newRow("no temp folder") << 1 << true << true << PassEnd::TempFolderError
                                        << firstLine << "Temp Folder not found...";
        QTest::newRow("no database")
            << 1 << false << false << PassEnd::DatabaseMissing << "*** Loading Database.."
            << "No Fake Database found\r\n( copy the fakes.dat file in the \r\nsame directory as "
               "this file )";
    }

    void passEndsOneOfSixWays()
    {
        QFETCH(int, downloads);
        QFETCH(bool, brokenPrefMet);
        QFETCH(bool, database);
        Program program;
        const std::vector<fixtures::Download> both{clean, fake};
        if (downloads >= 0)
            program.client({both.begin(), both.begin() + downloads});
        if (brokenPrefMet)
            program.dir.write("client/pref.met", "no tag here");
        if (!database)
            platform::deleteFile(program.files.fakesDat());

        QTEST(program.start(), "end");
        QTEST(program.log(), "log");
        QFETCH(QString, message);
        QCOMPARE(program.scripted.messages.size(), message.isEmpty() ? 0u : 1u);
        if (!message.isEmpty())
            QCOMPARE(qs(program.scripted.messages[0]), message);
        // The missing database ends the program, without leaving an empty one.
        QCOMPARE(program.endings, database ? 0 : 1);
        QCOMPARE(testing_support::exists(program.files.fakesDat()), database);
    }

    // The real desktop: closing the pass's own message box and dialog must not
    // start the pass again, whatever the window system does with activation.
    void ownMessageBoxAndDialogDoNotStartAnotherPass()
    {
        platform::QtDesktop desktop;
        Program program(&desktop);
        desktop.setOwner(program.form.get());
        int closedBoxes = 0;
        int closedDialogs = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                ++closedBoxes;
                box->button(QMessageBox::Ok)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                ++closedDialogs;
                dialog->reject();
            }
        });
        closer.start(20);
        QCOMPARE(program.start(), PassEnd::Cancelled);
        QTest::qWait(300);
        QCOMPARE(program.spy->count(), 1);
        QCOMPARE(closedBoxes, 1);
        QCOMPARE(closedDialogs, 1);
    }

    void closingAboutRunsAFreshPassByQuitOrByCloseBox()
    {
        Program program;
        program.client({fake});
        QCOMPARE(program.start(), PassEnd::FakesFound);

        program.click("Command2");
        app::Form2* about = program.form->aboutWindow();
        QVERIFY(about && about->isVisible());
        QVERIFY(!program.form->isEnabled());
        QCOMPARE(program.spy->count(), 1);

        program.dir.write("program/fakes.dat", "");
        QTest::mouseClick(about->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QCOMPARE(program.waitForPass(2), PassEnd::Clean);
        QVERIFY(program.form->isEnabled());
        QVERIFY(!about->isVisible());
        QCOMPARE(program.log(), QStringLiteral("*** Loading Database...done ( 1 entries loaded )"
                                               "\r\n*** Checking Files..\r\nMatrix.4.avi\r\n"
                                               "*** No fakes found in your temp folder !\r\n"));

        program.click("Command2");
        QCOMPARE(program.form->aboutWindow(), about);
        program.dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "again"));
        about->close();
        QCOMPARE(program.waitForPass(3), PassEnd::FakesFound);
        QVERIFY(program.log().contains(QStringLiteral("*** again\r\n")));
        QTest::qWait(100);
        QCOMPARE(program.spy->count(), 3);
    }

    // An About window closed while a pass yields asks for a pass: it must run
    // after the current one, not inside it, and must not be dropped.
    void activationDuringAPassIsDeferredNotLostOrInterleaved()
    {
        Program program;
        program.client({clean, fake});
        bool nested = false;
        program.scripted.onYield([&] {
            if (!nested && program.form->isVisible()) {
                nested = true;
                program.click("Command2");
                program.form->aboutWindow()->close();
                QCOMPARE(program.spy->count(), 0);
            }
            QCoreApplication::processEvents();
        });
        program.form->show();
        program.waitForPass(2);
        QTest::qWait(100);
        QCOMPARE(program.spy->count(), 2);
        QCOMPARE(program.log(), firstLine + "*** Checking Files..\r\nKnoppix.iso\r\nMatrix.4.avi"
                                            "\r\n*** Fake - ad\r\n\r\n*** Finished checking.\r\n");
    }

    void partFileCheckClickedDuringAPassRunsAfterIt()
    {
        Program program;
        const auto client = program.client({clean, fake});
        bool clicked = false;
        std::size_t dialogsWhenPassEnded = 99;
        QObject::connect(program.form.get(), &app::Form1::passFinished,
                         [&] { dialogsWhenPassEnded = program.scripted.dialogs.size(); });
        program.scripted.onYield([&] {
            if (!clicked && program.form->isVisible()) {
                clicked = true;
                program.scripted.queueFileChoice(client.partFiles[1]);
                program.click("Command7");
                program.click("Command7"); // a second click while the first waits
            }
            QCoreApplication::processEvents();
        });
        program.form->show();
        program.waitForPass(1);
        QTRY_COMPARE(program.log(), QStringLiteral("Matrix.4.avi...\r\n*** Fake - ad\r\n"));
        QCOMPARE(dialogsWhenPassEnded, 0u);
        QCOMPARE(program.scripted.dialogs.size(), 1u);
        QCOMPARE(qs(program.scripted.dialogs[0].pattern), QStringLiteral("*.part.met"));
        QVERIFY(!testing_support::exists(program.files.partCopy()));
    }

    void linkCheckShowsTheAnswerOrRefusesTheLink()
    {
        Program program;
        program.client({});
        program.start();
        auto* text2 = program.find<QLineEdit>("Text2");
        auto* label1 = program.find<QLabel>("Label1");

        program.click("Command1"); // the sample link is valid but not listed
        QCOMPARE(label1->text(), QStringLiteral("No Entry found"));

        text2->setText(qs("ed2k://|file|x|734003200|" + fake.hash + "|"));
        program.click("Command1");
        QCOMPARE(label1->text(), QStringLiteral("*** Fake - ad"));

        text2->setText(qs(" ed2k://|file|x|734003200|" + fake.hash + "|"));
        program.click("Command1");
        QCOMPARE(label1->text(), QString());
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"This is not a valid eDonkey Link"});
    }

    void changeFolderStoresTheChosenFolder()
    {
        Program program;
        program.client({});
        program.start();
        program.scripted.queueFileChoice("/srv/other/pref.met");
        program.click("Command6");
        QCOMPARE(program.scripted.dialogs.back().pattern, std::string("pref.met"));
        QCOMPARE(platform::readIniString(program.files.settingIni(), "Settings", "PrefPath"),
                 std::string("/srv/other/"));
        QCOMPARE(program.spy->count(), 1);
    }

    void webLinksAndQuitGoThroughTheDesktop()
    {
        Program program;
        program.client({});
        program.start();
        program.click("Command4");
        QTest::mouseClick(program.find<QLabel>("Label3"), Qt::LeftButton);
        QCOMPARE(program.scripted.urls.size(), 2u);
        QCOMPARE(program.scripted.urls[0], program.scripted.urls[1]);
        QVERIFY(program.scripted.urls[0].starts_with("http"));

        program.click("Command2");
        auto* about = program.form->aboutWindow();
        QTest::mouseClick(about->findChild<QLabel*>("Label3"), Qt::LeftButton);
        QTest::mouseClick(about->findChild<QLabel*>("Label4"), Qt::LeftButton);
        QCOMPARE(program.scripted.urls.size(), 4u);
        QCOMPARE(program.scripted.urls[2], program.scripted.urls[0]);
        QVERIFY(program.scripted.urls[3] != program.scripted.urls[0]);
        about->close();
        program.waitForPass(2);
        QVERIFY(program.log().startsWith(QStringLiteral("*** Loading Database.")));

        QCOMPARE(program.endings, 0);
        program.click("Command5");
        QCOMPARE(program.endings, 1);
        program.form->close();
        QCOMPARE(program.endings, 2);
    }

    void newDatabaseFromTheServerIsUsedByTheNextLinkCheck()
    {
        const fixtures::Download newFake{"New.avi", 123456, fixtures::hashFromSeed(3), 0};
        testing_support::LocalHttpServer server;
        server.serve("/brisquen/update/brisquen.txt", testing_support::HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", testing_support::HttpAnswer::ok("2"));
        server.serve("/brisquen/update/fakes.dat",
                     testing_support::HttpAnswer::ok(
                         "[" + fixtures::fakesDatLine(fake, "old") +
                         fixtures::fakesDatLine(newFake, "Fake - new on the server") + "]"));
        platform::QtHttpClient http;
        Program program(nullptr, &http, server.address());
        program.client({clean});
        program.start();
        program.find<QLineEdit>("Text2")->setText(
            qs("ed2k://|file|New.avi|123456|" + newFake.hash + "|"));
        program.click("Command1");
        QCOMPARE(program.find<QLabel>("Label1")->text(), QStringLiteral("No Entry found"));

        auto* text1 = program.find<QPlainTextEdit>("Text1");
        text1->moveCursor(QTextCursor::End);
        QTest::keyClicks(text1, "my note");
        program.click("Command3");
        QTRY_VERIFY(program.log().endsWith(QStringLiteral("*** New Database saved on disk\r\n")));
        QVERIFY(program.log().endsWith(
            QStringLiteral("!\r\nmy note*** Connecting to the server... \r\n*** New Database "
                           "downloaded\r\n*** New Database saved on disk\r\n")));
        QVERIFY(program.scripted.messages.empty());

        program.click("Command1");
        QCOMPARE(program.find<QLabel>("Label1")->text(),
                 QStringLiteral("*** Fake - new on the server"));
        program.click("Command3");
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"You just updated the file..."});
        QCOMPARE(server.requests().size(), 3u);
    }

    void secondClickDuringATransferIsOnlyTold()
    {
        testing_support::LocalHttpServer server;
        server.serve("/brisquen/update/brisquen.txt",
                     testing_support::HttpAnswer::slow("20", 2, std::chrono::milliseconds(300)));
        server.serve("/brisquen/update/fakes.txt", testing_support::HttpAnswer::ok("1"));
        server.serve("/brisquen/update/fakes.dat", testing_support::HttpAnswer::ok("[a,1,x]"));
        platform::QtHttpClient http;
        Program program(nullptr, &http, server.address());
        program.client({});
        program.start();

        bool savedWhenToldAgain = true;
        QTimer::singleShot(100, [&] {
            program.click("Command3");
            savedWhenToldAgain = program.log().contains(QStringLiteral("saved on disk"));
        });
        program.click("Command3");
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"You just updated the file..."});
        QVERIFY(!savedWhenToldAgain);
        QVERIFY(program.log().endsWith(QStringLiteral("*** New Database saved on disk\r\n")));
        QCOMPARE(server.requests().size(), 3u);
    }

    void tabOrderRunsFromTheLogThroughTheButtons()
    {
        Program program;
        program.client({});
        program.start();
        QWidget* w = program.find<QWidget>("Text1");
        QCOMPARE(QApplication::focusWidget(), w);
        for (const char* next : {"Text2", "Command1", "Command2", "Command3", "Command4",
                                 "Command5", "Command6", "Command7", "Text1"}) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus)
                w = w->nextInFocusChain();
            QCOMPARE(w->objectName(), QString::fromLatin1(next));
        }
    }

    void logAppendsAfterWhatTheUserTypedAndShowsTheTop()
    {
        Program program;
        program.client({clean});
        program.start();
        auto* text1 = program.find<QPlainTextEdit>("Text1");
        text1->moveCursor(QTextCursor::End);
        QTest::keyClicks(text1, "typed");
        app::LogView log(*text1);
        for (int i = 0; i < 200; ++i)
            log.append("more\r\n");
        log.append("Caf\xE9 tail");
        QVERIFY(program.log().endsWith(QStringLiteral("!\r\ntypedmore\r\n") +
                                       QStringLiteral("more\r\n").repeated(199) +
                                       QStringLiteral("Caf\u00e9 tail")));
        QCOMPARE(text1->textCursor().position(), 0);
        QCOMPARE(text1->verticalScrollBar()->value(), 0);

        log.replace("");
        log.append("a");
        log.append("b\r\n");
        QCOMPARE(program.log(), QStringLiteral("ab\r\n"));
    }

    void layoutFollowsTheWindowSize_data()
    {
        QTest::addColumn<int>("outerWidth");
        QTest::addColumn<int>("outerHeight");
        QTest::newRow("design") << 8865 << 9540;
        QTest::newRow("wider and taller") << 12000 << 11010;
        QTest::newRow("minimum") << 8625 << 6945;
        QTest::newRow("below the minimum") << 6000 << 3000;
    }

    void layoutFollowsTheWindowSize()
    {
        QFETCH(int, outerWidth);
        QFETCH(int, outerHeight);
        Program program;
        program.client({});
        program.start();
        program.form->resize((outerWidth - 90) / 15, (outerHeight - 465) / 15);
        QTRY_VERIFY(program.form->width() >= 569);
        const int w = std::max(outerWidth, 8625);
        const int h = std::max(outerHeight, 6945);
        QCOMPARE(program.form->width() * 15 + 90, w);
        QCOMPARE(program.form->height() * 15 + 465, h);

        const auto geometry = [&](const char* name) {
            const QRect r = program.find<QWidget>(name)->geometry();
            return QRect(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
        };
        for (const char* column : {"Command3", "Command2", "Command4", "Command5", "Command6",
                                   "Command7", "Label2", "Label3", "Label4"})
            QCOMPARE(geometry(column).x(), w - 1665);
        QCOMPARE(geometry("Command3").y(), 240);
        QCOMPARE(geometry("Command7").y(), 2640);
        QCOMPARE(geometry("Command5").y(), h - 1020);
        QCOMPARE(geometry("Frame1"), QRect(120, 120, w - 1890, h - 2085));
        QCOMPARE(geometry("Frame2"), QRect(120, h - 1860, w - 1890, 1335));
        QCOMPARE(geometry("Text1"), QRect(120, 240, w - 2130, h - 2445));
        QCOMPARE(geometry("Text2"), QRect(240, 360, w - 2250, 285));
        QCOMPARE(geometry("Label1"), QRect(240, 720, w - 4530, 495));
        QCOMPARE(geometry("Command1"), QRect(w - 4065, 720, 2055, 495));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
