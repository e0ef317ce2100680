#pragma once

#include "app/check_pass.h"
#include "app/job_queue.h"
#include "app/log_view.h"
#include "edonkey/program_files.h"
#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/registry.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {

class Form2;
class LinkLabel;

/// Everything outside the main window that its commands use.
struct Form1Services {
    edonkey::ProgramFiles files;
    platform::Desktop& desktop;
    platform::Registry& registry;
    platform::HttpClient& http;
    std::string updateServer;         // e.g. "http://host:port"
    std::function<void()> endProgram; // ends the process at once, running no close handler
};

/// The main window: the log box with the check pass, the link check, the
/// command buttons and the links.
class Form1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    explicit Form1(Form1Services services);
    ~Form1() override;

    /// The About window, once "&About" has created it.
    Form2* aboutWindow() const { return m_about.get(); }

    const ProgramState& state() const { return m_state; }

signals:
    /// A check pass has ended, however it ended.
    void passFinished(app::PassEnd end);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void setTabOrder();
    void connectCommands();
    void applyLayoutRules();

    /// Runs a check pass as soon as no other job holds the working copies.
    void activate();
    void runCheckPass();
    void checkLink();
    void checkChosenPartFile();
    void changeFolder();
    void getNewDatabase();
    void openAbout();
    void aboutClosed();

    Form1Services m_services;
    ProgramState m_state;
    JobQueue m_jobs;
    bool m_shownBefore = false;

    QGroupBox* m_frame1 = nullptr;
    QPlainTextEdit* m_text1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QLabel* m_label1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command5 = nullptr;
    QPushButton* m_command6 = nullptr;
    QPushButton* m_command7 = nullptr;
    QLabel* m_label2 = nullptr;
    LinkLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    std::unique_ptr<LogView> m_log;
    std::unique_ptr<Form2> m_about;
};

} // namespace app
