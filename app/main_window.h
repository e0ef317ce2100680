#pragma once

#include "app/log_view.h"
#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/registry.h"
#include "session/check_pass.h"
#include "session/client_places.h"
#include "session/job_queue.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {

class AboutWindow;
class FileHasher;
class JobLog;
class JobRunner;
class LinkLabel;
struct JobEnd;

/// Everything outside the main window that its commands use.
struct MainWindowServices {
    session::ProgramFiles files;
    platform::Desktop& desktop;   // for the window's thread
    platform::Registry& registry; // for the jobs' thread
    /// Makes the HTTP client of one update, on the jobs' thread; `stop` ends
    /// its transfers.
    std::function<std::unique_ptr<platform::HttpClient>(std::stop_token stop)> makeHttp;
    std::string updateServer; // e.g. "http://host:port"
    session::ClientPlaces places;
    std::function<void()> endProgram; // ends the process at once, running no close handler
    /// Runs on the jobs' threads at the start of each job, and with nothing at
    /// each step of a dropped file's hash: a seam where tests make work throw.
    std::function<void(std::optional<session::Job> job)> jobSeam = {};
};

/// The main window: the log box with the check pass, the link check, the
/// command buttons and the links. The pass and the commands that read or
/// write the program's files run as jobs on a thread of their own; the
/// window shows what they report and asks what they need answered.
class MainWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;

    /// The About window, once "&About" has created it.
    AboutWindow* aboutWindow() const { return m_about.get(); }

signals:
    /// A check pass has ended, however it ended.
    void passFinished(session::PassEnd end);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void setTabOrder();
    void connectCommands();
    void applyLayoutRules();

    /// Runs a check pass as soon as no other job holds the working copies.
    void activate();
    void offerFirstList();
    /// What a pass works with.
    session::PassServices passServices(const std::stop_token& stop) const;
    /// The window's end of a pass that ended so: its question, with the rest
    /// of the pass to run with the answer, or its message and end.
    JobEnd passEnded(session::PassResult result);
    /// The end of a job that threw: its failure shown, and a pass said to end.
    JobEnd jobFailed(session::Job job, const std::string& reason);
    void showFailure(const std::string& reason);
    void checkLink();
    /// Checks the link waiting for the first list, once there is one.
    Q_INVOKABLE void listReplaced();
    void checkChosenPartFile();
    void changeFolder();
    void getNewDatabase();
    void openAbout();
    void aboutClosed();
    void showMessage(std::string_view text);
    /// Ends the program at once, the jobs' and the hashing threads first.
    void endProgram();

    // Files dropped on the window: hashed off the GUI thread, then their links
    // checked as "&Check it" checks a pasted one.
    void acceptFileDrops();
    void showHashProgress(const QString& name, int percent);
    void showFileCheck(const QString& link, const QString& answer, const QString& suspect);
    void showHashFailure(const QString& name, const QString& reason);

    MainWindowServices m_services;
    session::ProgramState m_state;
    bool m_shownBefore = false;
    bool m_linkWaitsForList = false;
    bool m_firstListOffered = false;
    // The last dropped file's link and its suspect's words (with a leading
    // blank), added to every answer for that link.
    QString m_droppedLink;
    QString m_droppedSuspect;

    QGroupBox* m_downloadsFrame = nullptr;
    QPlainTextEdit* m_logBox = nullptr;
    QGroupBox* m_linkFrame = nullptr;
    QLineEdit* m_linkBox = nullptr;
    QPushButton* m_checkLinkButton = nullptr;
    QLabel* m_linkAnswer = nullptr;
    QPushButton* m_aboutButton = nullptr;
    QPushButton* m_getDatabaseButton = nullptr;
    QPushButton* m_submitFakeButton = nullptr;
    QPushButton* m_quitButton = nullptr;
    QPushButton* m_changeFolderButton = nullptr;
    QPushButton* m_checkPartFileButton = nullptr;
    QLabel* m_contactText = nullptr;
    LinkLabel* m_projectLink = nullptr;
    QLabel* m_submitText = nullptr;
    std::unique_ptr<LogView> m_log;
    std::unique_ptr<JobLog> m_jobLog; // m_log as the jobs write it
    std::unique_ptr<AboutWindow> m_about;
    std::unique_ptr<FileHasher> m_hasher;
    std::unique_ptr<JobRunner> m_jobs; // last: its thread stops before the rest goes
};

} // namespace app
