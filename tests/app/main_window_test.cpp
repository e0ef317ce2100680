// Drives the real main window under the offscreen window system, with the
// user's answers to dialogs and message boxes scripted through the desktop.

#include "app/about_window.h"
#include "app/appearance.h"
#include "app/log_view.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/qt/qt_desktop.h"
#include "session/folder_lock.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"
#include "window_program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <future>
#include <memory>

using session::PassEnd;

namespace {

using testing_support::dropFileOn;
using testing_support::Program;

const fixtures::Download& clean = testing_support::clean;
const fixtures::Download& fake = testing_support::fake;

const QString fakesLog = QStringLiteral("*** Loading Database...done ( 3 entries loaded )\r\n"
                                        "*** Checking Files..\r\nKnoppix.iso\r\nMatrix.4.avi\r\n"
                                        "*** Fake - ad\r\n\r\n*** Finished checking.\r\n");

} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { app::installAppearance(); }

    // The message, and the program's end; fakes.dat is not made.
    void missingDatabaseEndsTheProgram()
    {
        Program program;
        platform::deleteFile(program.files.fakesDat());
        program.form->show();
        QCOMPARE(program.waitForPass(1), PassEnd::DatabaseMissing);
        QCOMPARE(program.scripted.messages.size(), 1u);
        QCOMPARE(program.endings, 1);
        QVERIFY(!testing_support::exists(program.files.fakesDat()));
    }

    // The real desktop: closing the pass's own message box and dialog must not
    // start the pass again, whatever the window system does with activation.
    void ownMessageBoxAndDialogDoNotStartAnotherPass()
    {
        platform::QtDesktop desktop;
        Program program(&desktop);
        desktop.setOwner(program.form.get());
        QStringList closed;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                closed << modal->metaObject()->className();
                modal->close();
            }
        });
        closer.start(20);
        program.form->show();
        QCOMPARE(program.waitForPass(1), PassEnd::Cancelled);
        QTest::qWait(300);
        QCOMPARE(program.spy->count(), 1);
        QCOMPARE(closed, QStringList({"QMessageBox", "QFileDialog"}));
    }

    // A pass asked for by the About window closing, and two clicks on
    // Command7, while a pass waits for another process to free the program
    // folder: each runs once, after it and in order, and the window answers
    // meanwhile.
    void jobsAskedForDuringAPassRunAfterItOnce()
    {
        Program program;
        const auto client = program.client({clean, fake});
        using AtEnd = std::pair<std::size_t, QString>; // dialogs shown, log
        std::vector<AtEnd> atPassEnds;
        QObject::connect(program.form.get(), &app::MainWindow::passFinished, [&] {
            atPassEnds.emplace_back(program.scripted.dialogs.size(), program.log());
        });
        platform::FileLock otherProcess(program.files.lockFile(), session::settingsLockByte);
        QVERIFY(otherProcess.tryLock());
        program.form->show();
        QTRY_VERIFY(program.log().contains(QStringLiteral("entries loaded")));
        program.click("Command2");
        program.form->aboutWindow()->close();
        program.scripted.queueFileChoice(client.partFiles[1]);
        program.click("Command7");
        program.click("Command7");
        program.click("Command1"); // the window answers while the job waits
        QCOMPARE(program.label1(), QStringLiteral("No Entry found"));
        QTest::qWait(100);
        QCOMPARE(program.spy->count(), 0);
        otherProcess.unlock();
        program.waitForPass(2);
        QTRY_COMPARE(program.log(), QStringLiteral("Matrix.4.avi...\r\n*** Fake - ad\r\n"));
        QTest::qWait(100);
        QCOMPARE(atPassEnds, (std::vector<AtEnd>{{0, fakesLog}, {0, fakesLog}}));
        QCOMPARE(program.scripted.dialogs.size(), 1u);
        QCOMPARE(program.scripted.dialogs[0].pattern, std::string("*.part.met"));
        QVERIFY(!testing_support::exists(program.files.partCopy()));
    }

    // Closing the window while a job waits, for the user or for another
    // process, ends the job and the program at once.
    void closingEndsAWaitingJob()
    {
        Program program;
        program.client({clean});
        platform::FileLock otherProcess(program.files.lockFile(), session::settingsLockByte);
        QVERIFY(otherProcess.tryLock());
        program.form->show();
        QTRY_VERIFY(program.log().contains(QStringLiteral("entries loaded")));
        QElapsedTimer closing;
        closing.start();
        program.form->close();
        QCOMPARE(program.endings, 1);
        QVERIFY(closing.elapsed() < 2000);
        QCOMPARE(program.spy->count(), 0);
    }

    // A link checked before the first list is whole waits for it.
    void linkCheckWaitsForTheFirstList()
    {
        Program program;
        program.client({clean});
        program.find<QLineEdit>("Text2")->setText(
            QString::fromStdString("ed2k://|file|x|734003200|" + fake.hash + "|"));
        program.click("Command1");
        QCOMPARE(program.label1(), QString());
        program.form->show();
        QTRY_COMPARE(program.label1(), QStringLiteral("*** Fake - ad"));
    }

    void tabOrderFollowsTheDesign()
    {
        Program program;
        program.start({fake});
        QStringList chain;
        for (QWidget* w = QApplication::focusWidget(); chain.size() < 10; w = w->nextInFocusChain())
            if (w->focusPolicy() != Qt::NoFocus)
                chain << w->objectName();
        QCOMPARE(chain, QStringList({"Text1", "Text2", "Command1", "Command2", "Command3",
                                     "Command4", "Command5", "Command6", "Command7", "Text1"}));
        // Tab moves on from the log box rather than typing into it.
        const QString log = program.log();
        QTest::keyClick(program.text1(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), program.find("Text2"));
        QTest::keyClick(program.find("Text2"), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), program.text1());
        QTest::keyClick(program.text1(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command7"));
        QCOMPARE(program.log(), log);
    }

    void linkCheckAnswersUnderTheLinkBox()
    {
        Program program;
        program.start({fake});
        // The sample link is valid but not listed; Enter clicks the focused button.
        program.find("Command1")->setFocus();
        QTest::keyClick(program.find("Command1"), Qt::Key_Return);
        QCOMPARE(program.label1(), QStringLiteral("No Entry found"));
        // Descriptions from fakes.dat are shown as they are, never as markup.
        for (const QLabel* label : program.form->findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        program.find<QLineEdit>("Text2")->setText(" ed2k://|file|x|1|" + QString(32, 'a') + "|");
        program.click("Command1");
        QCOMPARE(program.label1(), QString());
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"This is not a valid eDonkey Link"});
    }

    // Dropped files are hashed one after another in the order dropped, each
    // link checked as "&Check it" does; meanwhile the answer shows progress
    // and the event loop keeps running.
    void droppedFilesAreHashedInOrderWhileTheWindowAnswers()
    {
        Program program;
        program.dir.write("program/fakes.dat",
                          fixtures::fakesDatLine({"", fixtures::zeroChunkSize,
                                                  std::string(fixtures::zeroChunkHash), 0},
                                                 "Fake - zeros"));
        program.start({clean});
        const std::string big = program.dir.file("big.bin");
        fixtures::writeZeroFile(big, 600'000'000);
        const std::string zeros = program.dir.file("zeros.bin");
        fixtures::writeZeroFile(zeros, fixtures::zeroChunkSize);
        QStringList links;
        connect(program.find<QLineEdit>("Text2"), &QLineEdit::textChanged,
                [&](const QString& text) { links << text; });
        const auto dropFile = [&](const std::string& path) {
            dropFileOn(program, path);
        };
        dropFile(big);
        dropFile(zeros);
        qint64 longestWait = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        QSet<QString> answers;
        connect(&ticker, &QTimer::timeout, [&] {
            longestWait = std::max(longestWait, sinceTick.restart());
            answers << program.label1();
        });
        sinceTick.start();
        ticker.start(1);
        QTRY_COMPARE_WITH_TIMEOUT(links.size(), 2, 30000);
        QVERIFY(links[0].startsWith(QStringLiteral("ed2k://|file|big.bin|600000000|")));
        QCOMPARE(links[1], QStringLiteral("ed2k://|file|zeros.bin|9728000|") +
                               fixtures::zeroChunkHash.data() + "|");
        QCOMPARE(program.label1(), QStringLiteral("*** Fake - zeros"));
        QVERIFY2(longestWait < 250, QByteArray::number(longestWait));
        QVERIFY(std::any_of(answers.begin(), answers.end(), [](const QString& answer) {
            static const QRegularExpression halfway("^Hashing big\\.bin\u2026 [1-9][0-9]? %$");
            return halfway.match(answer).hasMatch();
        }));
        dropFile(big); // closing cancels it: no link comes
        QTRY_VERIFY(program.label1().startsWith(QStringLiteral("Hashing")));
        program.form->close();
        QCoreApplication::processEvents();
        const QString atClose = program.label1();
        QTest::qWait(300);
        QCOMPARE(program.label1(), atClose);
        QCOMPARE(links.size(), 2);
    }

    // A dropped file whose first bytes are not what its name says: its answer
    // adds the suspect's words, also when "&Check it" asks again; a file that
    // is what it says answers as before.
    void droppedSuspectAddsItsWordsToTheAnswer()
    {
        Program program;
        program.start({clean});
        const std::string program32 =
            testing_support::readFile(BRISQUEN_TEST_DATA "/file-types/windows-program.exe");
        const std::string movie = program.dir.write("Movie.2026.avi", program32);
        const QString suspect = QStringLiteral(
            "No Entry found *** Suspect - named as a video (.avi), but its first bytes are a "
            "Windows program");
        dropFileOn(program, movie);
        QTRY_COMPARE(program.label1(), suspect);
        program.click("Command1");
        QTRY_COMPARE(program.label1(), suspect);
        dropFileOn(program, program.dir.write("setup.exe", program32));
        QTRY_COMPARE(program.label1(), QStringLiteral("No Entry found"));
    }

    // Appending to the log: after what the user typed, showing the top.
    void logAppendsAfterWhatTheUserTypedAndShowsTheTop()
    {
        Program program;
        program.start({fake});
        program.text1()->moveCursor(QTextCursor::End);
        QTest::keyClicks(program.text1(), "typed");
        app::LogView log(*program.text1());
        log.append(std::string(200, '\n') + "Caf\xE9 tail");
        QVERIFY(program.log().endsWith(QStringLiteral(".\r\ntyped") +
                                       QStringLiteral("\r\n").repeated(200) +
                                       QStringLiteral("Caf\u00e9 tail")));
        QCOMPARE(program.text1()->textCursor().position(), 0);
        QCOMPARE(program.text1()->verticalScrollBar()->value(), 0);
    }

    // The web links; the About window, whose closing runs a fresh pass from
    // the re-read database, each time; the folder change; quitting.
    void aboutWindowLinksFolderChangeAndQuit()
    {
        Program program;
        program.start({fake});
        int writesUnderAbout = 0; // the pass after it waits until it is gone
        connect(program.text1(), &QPlainTextEdit::textChanged, [&] {
            const auto* about = program.form->aboutWindow();
            writesUnderAbout += about && about->isVisible();
        });
        program.click("Command4");
        program.click("Label3");
        program.click("Command2");
        app::AboutWindow* about = program.form->aboutWindow();
        QVERIFY(about && about->isVisible() && !program.form->isEnabled());
        program.click(about->findChild<QWidget*>("Label3"));
        program.click(about->findChild<QWidget*>("Label4"));
        const auto& urls = program.scripted.urls;
        QCOMPARE(urls.size(), 4u);
        QVERIFY(urls[0].starts_with("http") && urls[1] == urls[0] && urls[2] == urls[0] &&
                urls[3] != urls[0]);
        QCOMPARE(program.spy->count(), 1);
        for (const QLabel* label : about->findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        program.dir.write("program/fakes.dat", "");
        QWidget* quit = about->findChild<QWidget*>("Command1"); // "&Quit", focused
        QTest::keyClick(quit, Qt::Key_Return);
        QCOMPARE(program.waitForPass(2), PassEnd::Clean);
        QVERIFY(program.form->isEnabled() && !about->isVisible());
        QVERIFY(program.log().startsWith(QStringLiteral("*** Loading Database...done ( 1 ")));
        program.click("Command2");
        QVERIFY(program.form->aboutWindow() == about && !program.form->isEnabled());
        program.dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "again"));
        QTest::keyClick(quit, Qt::Key_Enter);
        QCOMPARE(program.waitForPass(3), PassEnd::FakesFound);
        QCOMPARE(writesUnderAbout, 0);
        QVERIFY(program.form->isEnabled() &&
                program.log().contains(QStringLiteral("*** again\r\n")));
        program.form->hide(); // shown again, as after being minimised
        program.form->show();
        QTest::qWait(100);
        program.scripted.queueFileChoice("/srv/other/pref.met");
        const std::size_t dialogs = program.scripted.dialogs.size();
        program.click("Command6");
        QTRY_COMPARE(program.scripted.dialogs.size(), dialogs + 1);
        QCOMPARE(program.scripted.dialogs.back().pattern,
                 std::string("pref.met amule.conf preferences.ini"));
        QTRY_COMPARE(platform::readIniString(program.files.settingIni(), "Settings", "PrefPath"),
                     std::string("/srv/other/"));
        QCOMPARE(program.spy->count(), 3);

        program.click("Command5");
        QCOMPARE(program.endings, 1);
        program.form->close();
        QCOMPARE(program.endings, 2);
    }

    // A client folder of 330 bytes chosen in the pass's dialog is stored whole
    // and found again by the next pass. A name and a description from outside
    // show as escapes: the name on one line, the fake's line under it, and the
    // description in the link's answer as in the log.
    void longChosenFolderIsFoundAgainAndOutsideTextIsEscaped()
    {
        Program program;
        std::string folder = program.dir.path();
        while (folder.size() < 260)
            folder += std::string(60, 'd') + "/";
        folder += std::string(330 - folder.size() - 1, 'e') + "/";
        const fixtures::Download forged{"a\x1b[1A\r\n*** forged", 5, fixtures::hashFromSeed(77), 0};
        program.dir.write("program/fakes.dat",
                          fixtures::fakesDatLine(forged, "\x1b]52;c;eA==\x07\xE2\x80\xAE"
                                                         "desc"));
        program.scripted.queueFileChoice(fixtures::writeClientFolder(folder, {forged}).prefMet);
        program.form->show();
        QCOMPARE(program.waitForPass(1), PassEnd::FakesFound);
        QCOMPARE(
            platform::readIniString(program.files.settingIni(), "Settings", "PrefPath", SIZE_MAX),
            folder);
        const QString shown = QStringLiteral("*** \\x1b]52;c;eA==\\x07\\u202edesc");
        QVERIFY(program.log().contains(QStringLiteral("*** Checking Files..\r\n"
                                                      "a\\x1b[1A\\x0d\\x0a*** forged\r\n") +
                                       shown + QStringLiteral("\r\n")));
        program.click("Command2");
        QTest::keyClick(program.form->aboutWindow()->findChild<QWidget*>("Command1"),
                        Qt::Key_Return);
        QCOMPARE(program.waitForPass(2), PassEnd::FakesFound);
        QCOMPARE(program.scripted.dialogs.size(), std::size_t{1});
        program.find<QLineEdit>("Text2")->setText(
            QString::fromStdString("ed2k://|file|x|5|" + forged.hash + "|"));
        program.click("Command1");
        QCOMPARE(program.label1(), shown);
    }

    // A text too long for its label's box, as in fonts wider than the design's,
    // gets a smaller font that holds it; one that fits keeps the window font.
    void labelsShrinkTheirFontToHoldTheirText()
    {
        QWidget parent;
        const QString text =
            QStringLiteral("If you submit a fake, please provide a link").repeated(3);
        const auto fits = [](const QLabel* l) {
            return l->rect().contains(
                l->fontMetrics().boundingRect(l->rect(), Qt::TextWordWrap, l->text()));
        };
        const QLabel* crowded = app::designLabel("a", text, QRect(0, 0, 100, 90), true, &parent);
        QVERIFY(crowded->font().pointSizeF() < parent.font().pointSizeF() && fits(crowded));
        QCOMPARE(app::designLabel("b", text, QRect(0, 0, 400, 200), true, &parent)->font(),
                 parent.font());
        Program program;
        program.start({fake});
        program.click("Command2");
        for (const QWidget* window : QWidgetList{program.form.get(), program.form->aboutWindow()})
            for (const QLabel* label : window->findChildren<QLabel*>())
                QVERIFY2(fits(label), qPrintable(label->objectName()));
    }

    // In twips, 15 to a pixel, with a 90 by 465 frame round the client area:
    // the window keeps its minimum size and the quit button its place above
    // the bottom edge.
    void layoutKeepsTheMinimumSizeAndAnchorsQuit()
    {
        Program program;
        program.start({fake});
        for (const auto& [outerWidth, outerHeight] : {std::pair{12000, 11010}, {6000, 3000}}) {
            program.form->resize((outerWidth - 90) / 15, (outerHeight - 465) / 15);
            const int w = std::max(outerWidth, 8625);
            const int h = std::max(outerHeight, 6945);
            QTRY_COMPARE(program.form->width() * 15 + 90, w);
            QCOMPARE(program.form->height() * 15 + 465, h);
            QCOMPARE(program.find("Command5")->pos() * 15, QPoint(w - 1665, h - 1020));
        }
    }

    // A click while the transfer waits, or after it, is only told; the new
    // list answers at once.
    void databaseUpdateIsNotRepeated()
    {
        testing_support::ScriptedHttp http;
        const std::string files = "http://update.test/brisquen/update/";
        http.bodies = {{files + "brisquen.txt", "20"},
                       {files + "fakes.txt", "2"},
                       {files + "fakes.dat", "[" + fixtures::fakesDatLine(clean, "New") + "]"}};
        Program program(nullptr, &http, "http://update.test");
        program.start({clean});
        std::promise<void> clicked;
        auto answered = clicked.get_future().share();
        http.onGet = [&] { // on the jobs' thread
            if (http.transfers == 1)
                answered.wait();
        };
        program.click("Command3");
        QTRY_COMPARE(http.transfers.load(), std::size_t{1});
        program.click("Command3");
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>{"You just updated the file..."});
        clicked.set_value();
        QTRY_VERIFY(program.log().endsWith(QStringLiteral("*** New Database saved on disk\r\n")));
        program.click("Command3");
        QCOMPARE(program.scripted.messages,
                 std::vector<std::string>(2, "You just updated the file..."));
        QCOMPARE(http.transfers.load(), std::size_t{3});
        program.find<QLineEdit>("Text2")->setText(
            QString::fromStdString("ed2k://|file|x|700000000|" + clean.hash + "|"));
        program.click("Command1");
        QCOMPARE(program.label1(), QStringLiteral("*** New"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
