#include "app/main_window.h"

#include "app/about_window.h"
#include "app/appearance.h"
#include "app/file_hasher.h"
#include "app/job_log.h"
#include "app/job_runner.h"
#include "app/link_label.h"
#include "app/twips.h"
#include "app/web_links.h"
#include "platform/qt/qt_text.h"
#include "session/database.h"
#include "session/folder_lock.h"
#include "session/link_answer.h"
#include "session/locate_client.h"
#include "session/part_check.h"
#include "session/texts.h"
#include "session/update_command.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace app {
namespace {

// The window is designed for a client area of 8775 x 9075 twips inside an
// outer size of 8865 x 9540; the layout rules speak of the outer size.
constexpr int frameWidth = 90;
constexpr int frameHeight = 465;
constexpr int designWidth = 8775;
constexpr int designHeight = 9075;
constexpr int minimumOuterWidth = 8625;
constexpr int minimumOuterHeight = 6945;

constexpr auto sampleLink = "<a href=\"ed2k://|file|Studio.54.DVD-Rip.DivX.avi|690956288|"
                            "69c092fb09c08501229957056c3639f2|\">Studio.54.DVD-Rip.DivX.avi</a>";

void setLeft(QWidget* w, int twips)
{
    w->move(toPixels(twips), w->y());
}
void setTop(QWidget* w, int twips)
{
    w->move(w->x(), toPixels(twips));
}
void setWidth(QWidget* w, int twips)
{
    if (twips >= 0)
        w->resize(toPixels(twips), w->height());
}
void setHeight(QWidget* w, int twips)
{
    if (twips >= 0)
        w->resize(w->width(), toPixels(twips));
}

} // namespace

MainWindow::MainWindow(MainWindowServices services)
    : m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("eDonkey2k Brisquen v2.0 ( ") +
                   platform::fromUtf8Text(projectSite()) + QStringLiteral(" ) - by ") +
                   platform::fromUtf8Text(authorCredit()));
    setWindowIcon(QIcon(QStringLiteral(":/brisquen/brisquen.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_jobs = std::make_unique<JobRunner>(
        m_services.desktop,
        [this](session::Job job, const std::string& reason) { return jobFailed(job, reason); },
        m_services.jobSeam);
    createControls();
    setTabOrder();
    connectCommands();
    acceptFileDrops();
    m_log = std::make_unique<LogView>(*m_logBox);
    m_jobLog = std::make_unique<JobLog>(*m_log);
    m_state.list.onReplaced([this] {
        // By name: a queued functor hands memory between threads in a way
        // ThreadSanitizer cannot follow through Debian's Qt.
        QMetaObject::invokeMethod(this, "listReplaced", Qt::QueuedConnection);
    });
    setMinimumSize(toPixels(minimumOuterWidth - frameWidth),
                   toPixels(minimumOuterHeight - frameHeight));
    resize(toPixels(designWidth), toPixels(designHeight));
    m_logBox->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    m_downloadsFrame = new QGroupBox(QStringLiteral("Files currently downloading :"), this);
    m_downloadsFrame->setObjectName(QStringLiteral("Frame1"));
    m_downloadsFrame->setGeometry(twipsRect(120, 120, 6975, 7455));

    m_logBox = new QPlainTextEdit(m_downloadsFrame);
    m_logBox->setObjectName(QStringLiteral("Text1"));
    m_logBox->setGeometry(twipsRect(120, 240, 6735, 7095));
    m_logBox->setFont(logFont());
    m_logBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logBox->setUndoRedoEnabled(false);
    m_logBox->setTabChangesFocus(true);

    m_linkFrame = new QGroupBox(QStringLiteral("Check an eDonkey link :"), this);
    m_linkFrame->setObjectName(QStringLiteral("Frame2"));
    m_linkFrame->setGeometry(twipsRect(120, 7680, 6975, 1335));

    m_linkBox = new QLineEdit(QString::fromLatin1(sampleLink), m_linkFrame);
    m_linkBox->setObjectName(QStringLiteral("Text2"));
    m_linkBox->setGeometry(twipsRect(240, 360, 6615, 285));
    m_linkBox->setToolTip(QStringLiteral("Copy&paste the link you want to check here..."));
    m_linkBox->setCursorPosition(0);

    m_checkLinkButton = designButton("Command1", QStringLiteral("&Check it"),
                                     twipsRect(4800, 720, 2055, 495), m_linkFrame);

    m_linkAnswer = new QLabel(m_linkFrame);
    m_linkAnswer->setObjectName(QStringLiteral("Label1"));
    m_linkAnswer->setGeometry(twipsRect(240, 720, 4455, 495));
    // Descriptions come from fakes.dat: shown as they are, never as markup.
    m_linkAnswer->setTextFormat(Qt::PlainText);
    m_linkAnswer->setFont(logFont());
    m_linkAnswer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_linkAnswer->setLineWidth(1);
    m_linkAnswer->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_getDatabaseButton = designButton("Command3", QStringLiteral("&Get new Database"),
                                       twipsRect(7200, 240, 1455, 495), this);
    m_submitFakeButton = designButton("Command4", QStringLiteral("&Submit a fake"),
                                      twipsRect(7200, 840, 1455, 495), this);
    m_changeFolderButton = designButton("Command6", QStringLiteral("&Change ed2k Folder"),
                                        twipsRect(7200, 1440, 1455, 495), this);
    m_aboutButton =
        designButton("Command2", QStringLiteral("&About"), twipsRect(7200, 2040, 1455, 495), this);
    m_checkPartFileButton = designButton("Command7", QStringLiteral("&Check a .pref.met"),
                                         twipsRect(7200, 2640, 1455, 495), this);
    m_contactText =
        designLabel("Label2",
                    QStringLiteral("If you detect files which are no fakes but listened "
                                   "as a fake here, please contact us !"),
                    twipsRect(7200, 3240, 1455, 975), true, this);
    m_projectLink = new LinkLabel(platform::fromUtf8Text(projectSite()) + QLatin1Char(' '),
                                  Qt::AlignHCenter, this);
    m_projectLink->setObjectName(QStringLiteral("Label3"));
    m_projectLink->setGeometry(twipsRect(7200, 4440, 1455, 255));
    fitText(m_projectLink);
    m_submitText =
        designLabel("Label4",
                    QStringLiteral("If you submit a fake, please provide an edonkey link, "
                                   "so we can use it to identify fakes with this program."),
                    twipsRect(7200, 4920, 1455, 1215), true, this);
    m_quitButton =
        designButton("Command5", QStringLiteral("&Quit"), twipsRect(7200, 8520, 1455, 495), this);
}

void MainWindow::setTabOrder()
{
    QWidget* const chain[] = {m_logBox,
                              m_linkBox,
                              m_checkLinkButton,
                              m_aboutButton,
                              m_getDatabaseButton,
                              m_submitFakeButton,
                              m_quitButton,
                              m_changeFolderButton,
                              m_checkPartFileButton};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::connectCommands()
{
    const auto openProjectPage = [this] {
        m_services.desktop.openUrl(projectPage());
    };
    connect(m_checkLinkButton, &QPushButton::clicked, this, &MainWindow::checkLink);
    connect(m_aboutButton, &QPushButton::clicked, this, &MainWindow::openAbout);
    connect(m_getDatabaseButton, &QPushButton::clicked, this, &MainWindow::getNewDatabase);
    connect(m_submitFakeButton, &QPushButton::clicked, this, openProjectPage);
    connect(m_quitButton, &QPushButton::clicked, this, &MainWindow::endProgram);
    connect(m_changeFolderButton, &QPushButton::clicked, this, &MainWindow::changeFolder);
    connect(m_checkPartFileButton, &QPushButton::clicked, this, &MainWindow::checkChosenPartFile);
    connect(m_projectLink, &LinkLabel::clicked, this, openProjectPage);
}

void MainWindow::applyLayoutRules()
{
    const int w = toTwips(width()) + frameWidth;
    const int h = toTwips(height()) + frameHeight;
    // The minimum size itself is held by the window system (setMinimumSize).
    for (QWidget* column :
         {static_cast<QWidget*>(m_getDatabaseButton), static_cast<QWidget*>(m_aboutButton),
          static_cast<QWidget*>(m_submitFakeButton), static_cast<QWidget*>(m_quitButton)})
        setLeft(column, w - 1665);
    setTop(m_quitButton, h - 1020);
    for (QWidget* column :
         {static_cast<QWidget*>(m_changeFolderButton), static_cast<QWidget*>(m_checkPartFileButton),
          static_cast<QWidget*>(m_contactText), static_cast<QWidget*>(m_projectLink),
          static_cast<QWidget*>(m_submitText)})
        setLeft(column, w - 1665);
    setWidth(m_downloadsFrame, w - 1890);
    setHeight(m_downloadsFrame, h - 2085);
    setWidth(m_linkFrame, w - 1890);
    setTop(m_linkFrame, h - 1860);
    setWidth(m_logBox, w - 2130);
    setHeight(m_logBox, h - 2445);
    setWidth(m_linkBox, w - 2250);
    setWidth(m_linkAnswer, w - 4530);
    setLeft(m_checkLinkButton, w - 4065);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Start-up work begins once the window is on the screen, so the user sees
    // the pass's progress.
    if (!m_shownBefore) {
        m_shownBefore = true;
        QTimer::singleShot(0, this, &MainWindow::activate);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayoutRules();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    endProgram();
}

void MainWindow::endProgram()
{
    // The threads are stopped first: the program's end may return, as it
    // does in tests.
    m_jobs->stop();
    m_hasher->stop();
    m_services.endProgram();
}

void MainWindow::offerFirstList()
{
    // Asked once, at the first start of an installed copy that has no list
    // anywhere: the pass would otherwise end the program before the user
    // ever reaches "&Get new Database".
    if (m_firstListOffered || !session::offersFirstList(m_services.files))
        return;
    m_firstListOffered = true;
    std::string question(session::texts::getFirstListBefore);
    question += m_services.updateServer;
    question += session::texts::getFirstListAfter;
    if (!m_services.desktop.askYesNo(question))
        return;
    // The pass that follows checks with the list fetched, or, when the
    // update failed, ends the program as it would have.
    getNewDatabase();
}

namespace {

// A job waits for another process to free the program folder for as long as
// it takes, unless the window closes.
session::LockWaiting waitingUntil(const std::stop_token& stop)
{
    return {std::nullopt, stop};
}

} // namespace

session::PassServices MainWindow::passServices(const std::stop_token& stop) const
{
    return {m_services.files,   m_services.registry,         *m_jobLog, m_services.places, false,
            waitingUntil(stop), session::ListReading::InTurn};
}

void MainWindow::activate()
{
    offerFirstList();
    m_jobs->run(session::Job::CheckPass, [this](const std::stop_token& stop) {
        return passEnded(session::checkPass(m_state, passServices(stop), std::nullopt, stop));
    });
}

JobEnd MainWindow::passEnded(session::PassResult result)
{
    JobEnd end;
    if (result.question) {
        end.question = std::move(result.question);
        end.rest = [this, asked = std::move(result)](const std::string& chosen,
                                                     const std::stop_token& stop) {
            return passEnded(session::resumePass(m_state, passServices(stop), asked, chosen, stop));
        };
        return end;
    }
    end.message = std::move(result.message);
    end.then = [this, pass = result.end] {
        if (pass == session::PassEnd::DatabaseMissing)
            endProgram();
        emit passFinished(pass);
    };
    return end;
}

JobEnd MainWindow::jobFailed(session::Job job, const std::string& reason)
{
    // The update's failures all end with its own message.
    if (job == session::Job::DatabaseUpdate)
        return {.message = std::string(session::texts::updateError)};
    showFailure(reason);
    JobEnd end;
    if (job == session::Job::CheckPass)
        end.then = [this] {
            emit passFinished(session::PassEnd::Failed);
        };
    return end;
}

void MainWindow::showFailure(const std::string& reason)
{
    m_linkAnswer->clear(); // no "Hashing…" left standing
    m_log->append("*** " + reason + std::string(session::texts::lineEnd));
    showMessage(std::string(session::texts::couldNotFinish) + reason);
}

void MainWindow::checkLink()
{
    m_linkAnswer->clear();
    // Until the first list is whole there is nothing to answer from: the
    // check waits for it.
    const auto list = m_state.list.current();
    m_linkWaitsForList = !list;
    if (!list)
        return;
    const auto answer = session::answerLink(platform::toClientBytes(m_linkBox->text()),
                                            session::listsInUse(m_state));
    if (answer.verdict == edonkey::LinkVerdict::Invalid)
        showMessage(answer.text);
    else
        m_linkAnswer->setText(platform::fromClientLine(answer.text) +
                              (m_linkBox->text() == m_droppedLink ? m_droppedSuspect : QString()));
}

void MainWindow::listReplaced()
{
    if (m_linkWaitsForList)
        checkLink();
}

void MainWindow::checkChosenPartFile()
{
    m_jobs->run(session::Job::PartFileCheck, [this](const std::stop_token&) {
        JobEnd end;
        end.question = session::donkeyFileQuestion(m_state, session::partFilePattern);
        end.rest = [this](const std::string& chosen, const std::stop_token& stop) {
            if (!session::rememberChosen(m_state, chosen).empty())
                session::checkPartFile(chosen, m_state, m_services.files,
                                       m_services.places.winePrefix, *m_jobLog, stop);
            return JobEnd{};
        };
        return end;
    });
}

void MainWindow::changeFolder()
{
    m_jobs->run(session::Job::ChangeFolder, [this](const std::stop_token&) {
        JobEnd end;
        end.question = session::donkeyFileQuestion(m_state, session::settingsFilePattern());
        end.rest = [this](const std::string& chosen, const std::stop_token& stop) {
            if (!session::rememberChosen(m_state, chosen).empty())
                (void)session::storeChosenPrefMet(m_services.files, chosen, waitingUntil(stop));
            return JobEnd{};
        };
        return end;
    });
}

void MainWindow::getNewDatabase()
{
    // A click while an update is under way, or after one, is only told so at
    // once, rather than waiting for the job that holds the program's files.
    if (session::updateAlreadyRan(m_state)) {
        showMessage(session::texts::justUpdated);
        return;
    }
    m_jobs->run(session::Job::DatabaseUpdate, [this](const std::stop_token& stop) {
        const auto http = m_services.makeHttp(stop);
        const auto answer =
            session::updateDatabase(m_state, m_services.files, m_services.updateServer, *http,
                                    *m_jobLog, {}, waitingUntil(stop));
        return JobEnd{.message = std::string(session::updateMessage(answer))};
    });
}

void MainWindow::showMessage(std::string_view text)
{
    m_services.desktop.showMessage(text);
}

namespace {

std::vector<QString> localFiles(const QMimeData* data)
{
    std::vector<QString> paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    return paths;
}

} // namespace

void MainWindow::acceptFileDrops()
{
    setAcceptDrops(true);
    m_linkBox->installEventFilter(this);
    m_logBox->viewport()->installEventFilter(this);
    m_hasher = std::make_unique<FileHasher>(
        [this]() -> std::optional<fakedb::FakeLookup> {
            if (!m_state.list.current())
                return std::nullopt;
            return session::listsInUse(m_state);
        },
        [seam = m_services.jobSeam] {
            if (seam)
                seam(std::nullopt);
        });
    connect(m_hasher.get(), &FileHasher::progress, this, &MainWindow::showHashProgress);
    connect(m_hasher.get(), &FileHasher::checked, this, &MainWindow::showFileCheck);
    connect(m_hasher.get(), &FileHasher::failed, this, &MainWindow::showHashFailure);
    connect(m_hasher.get(), &FileHasher::broke, this,
            [this](const QString& reason) { showFailure(reason.toStdString()); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const auto paths = localFiles(event->mimeData());
    for (const QString& path : paths)
        m_hasher->hash(platform::toPathBytes(path));
    if (!paths.empty())
        event->acceptProposedAction();
}

// The text boxes take dropped text themselves; dropped files are the window's.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!localFiles(drag->mimeData()).empty()) {
            if (type == QEvent::Drop)
                dropEvent(drag);
            else
                drag->acceptProposedAction();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showHashProgress(const QString& name, int percent)
{
    m_linkAnswer->setText(platform::fromUtf8Text(session::texts::hashingBefore) + name +
                          platform::fromUtf8Text(session::texts::hashingAfter) +
                          QString::number(percent) +
                          platform::fromUtf8Text(session::texts::percentSign));
}

void MainWindow::showFileCheck(const QString& link, const QString& answer, const QString& suspect)
{
    // The answer for the dropped file's link carries its suspect's words.
    m_droppedLink = link;
    m_droppedSuspect = suspect.isEmpty() ? QString() : QStringLiteral(" ") + suspect;
    m_linkBox->setText(link);
    m_linkBox->setCursorPosition(0);
    // Without a list yet, the link waits for the first one as a pasted one does.
    m_linkWaitsForList = answer.isEmpty();
    if (m_linkWaitsForList)
        m_linkAnswer->clear();
    else
        m_linkAnswer->setText(answer + m_droppedSuspect);
}

void MainWindow::showHashFailure(const QString& name, const QString& reason)
{
    m_linkAnswer->setText(name + platform::fromUtf8Text(session::texts::afterUnhashedName) +
                          reason);
}

void MainWindow::openAbout()
{
    setEnabled(false);
    if (!m_about) {
        m_about = std::make_unique<AboutWindow>(m_services.desktop);
        connect(m_about.get(), &AboutWindow::closed, this, &MainWindow::aboutClosed);
        centreOnScreen(*m_about);
    }
    m_about->show();
    m_about->activateWindow();
}

void MainWindow::aboutClosed()
{
    setEnabled(true);
    activateWindow();
    activate();
}

} // namespace app
