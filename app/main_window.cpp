#include "app/main_window.h"

#include "app/about_window.h"
#include "app/appearance.h"
#include "app/link_label.h"
#include "app/twips.h"
#include "app/web_links.h"
#include "edonkey/donkey_folder.h"
#include "edonkey/link_check.h"
#include "edonkey/part_check.h"
#include "platform/qt/qt_text.h"
#include "update/database_update.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

QPushButton* button(const char* name, const QString& caption, QRect geometry, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    fitCaption(b, caption);
    return b;
}

QLabel* wrappedLabel(const char* name, const QString& text, QRect geometry, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

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

Form1::Form1(Form1Services services)
    : m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("eDonkey2k Brisquen v2.0 ( ") +
                   platform::fromUtf8Text(projectSite()) + QStringLiteral(" ) - by ") +
                   platform::fromUtf8Text(authorCredit));
    setWindowIcon(QIcon(QStringLiteral(":/brisquen/brisquen.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    createControls();
    setTabOrder();
    connectCommands();
    m_log = std::make_unique<LogView>(*m_text1);
    setMinimumSize(toPixels(minimumOuterWidth - frameWidth),
                   toPixels(minimumOuterHeight - frameHeight));
    resize(toPixels(designWidth), toPixels(designHeight));
    m_text1->setFocus();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    m_frame1 = new QGroupBox(QStringLiteral("Files currently downloading :"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(120, 120, 6975, 7455));

    m_text1 = new QPlainTextEdit(m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twipsRect(120, 240, 6735, 7095));
    m_text1->setFont(logFont());
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setUndoRedoEnabled(false);

    m_frame2 = new QGroupBox(QStringLiteral("Check an eDonkey link :"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setGeometry(twipsRect(120, 7680, 6975, 1335));

    m_text2 = new QLineEdit(QString::fromLatin1(sampleLink), m_frame2);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setGeometry(twipsRect(240, 360, 6615, 285));
    m_text2->setToolTip(QStringLiteral("Copy&paste the link you want to check here..."));
    m_text2->setCursorPosition(0);

    m_command1 =
        button("Command1", QStringLiteral("&Check it"), twipsRect(4800, 720, 2055, 495), m_frame2);

    m_label1 = new QLabel(m_frame2);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(twipsRect(240, 720, 4455, 495));
    m_label1->setFont(logFont());
    m_label1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_label1->setLineWidth(1);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_command3 = button("Command3", QStringLiteral("&Get new Database"),
                        twipsRect(7200, 240, 1455, 495), this);
    m_command4 =
        button("Command4", QStringLiteral("&Submit a fake"), twipsRect(7200, 840, 1455, 495), this);
    m_command6 = button("Command6", QStringLiteral("&Change ed2k Folder"),
                        twipsRect(7200, 1440, 1455, 495), this);
    m_command2 =
        button("Command2", QStringLiteral("&About"), twipsRect(7200, 2040, 1455, 495), this);
    m_command7 = button("Command7", QStringLiteral("&Check a .pref.met"),
                        twipsRect(7200, 2640, 1455, 495), this);
    m_label2 = wrappedLabel("Label2",
                            QStringLiteral("If you detect files which are no fakes but listened "
                                           "as a fake here, please contact us !"),
                            twipsRect(7200, 3240, 1455, 975), this);
    m_label3 = new LinkLabel(platform::fromUtf8Text(projectSite()) + QLatin1Char(' '),
                             Qt::AlignHCenter, this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setGeometry(twipsRect(7200, 4440, 1455, 255));
    m_label4 = wrappedLabel("Label4",
                            QStringLiteral("If you submit a fake, please provide an edonkey link, "
                                           "so we can use it to identify fakes with this program."),
                            twipsRect(7200, 4920, 1455, 1215), this);
    m_command5 =
        button("Command5", QStringLiteral("&Quit"), twipsRect(7200, 8520, 1455, 495), this);
}

void Form1::setTabOrder()
{
    QWidget* const chain[] = {m_text1,    m_text2,    m_command1, m_command2, m_command3,
                              m_command4, m_command5, m_command6, m_command7};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void Form1::connectCommands()
{
    const auto openProjectPage = [this] {
        m_services.desktop.openUrl(projectPage);
    };
    connect(m_command1, &QPushButton::clicked, this, &Form1::checkLink);
    connect(m_command2, &QPushButton::clicked, this, &Form1::openAbout);
    connect(m_command3, &QPushButton::clicked, this, &Form1::getNewDatabase);
    connect(m_command4, &QPushButton::clicked, this, openProjectPage);
    connect(m_command5, &QPushButton::clicked, this, [this] { m_services.endProgram(); });
    connect(m_command6, &QPushButton::clicked, this, &Form1::changeFolder);
    connect(m_command7, &QPushButton::clicked, this, &Form1::checkChosenPartFile);
    connect(m_label3, &LinkLabel::clicked, this, openProjectPage);
}

void Form1::applyLayoutRules()
{
    const int w = toTwips(width()) + frameWidth;
    const int h = toTwips(height()) + frameHeight;
    // The minimum size itself is held by the window system (setMinimumSize).
    for (QWidget* column : {static_cast<QWidget*>(m_command3), static_cast<QWidget*>(m_command2),
                            static_cast<QWidget*>(m_command4), static_cast<QWidget*>(m_command5)})
        setLeft(column, w - 1665);
    setTop(m_command5, h - 1020);
    for (QWidget* column : {static_cast<QWidget*>(m_command6), static_cast<QWidget*>(m_command7),
                            static_cast<QWidget*>(m_label2), static_cast<QWidget*>(m_label3),
                            static_cast<QWidget*>(m_label4)})
        setLeft(column, w - 1665);
    setWidth(m_frame1, w - 1890);
    setHeight(m_frame1, h - 2085);
    setWidth(m_frame2, w - 1890);
    setTop(m_frame2, h - 1860);
    setWidth(m_text1, w - 2130);
    setHeight(m_text1, h - 2445);
    setWidth(m_text2, w - 2250);
    setWidth(m_label1, w - 4530);
    setLeft(m_command1, w - 4065);
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Start-up work begins once the window is on the screen, so the user sees
    // the pass's progress.
    if (!m_shownBefore) {
        m_shownBefore = true;
        QTimer::singleShot(0, this, &Form1::activate);
    }
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLayoutRules();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_services.endProgram();
}

void Form1::activate()
{
    m_jobs.run(Job::CheckPass, [this] { runCheckPass(); });
}

void Form1::runCheckPass()
{
    const PassServices services{m_services.files, m_services.desktop, m_services.registry, *m_log};
    const PassEnd end = checkPass(m_state, services);
    if (end == PassEnd::DatabaseMissing)
        m_services.endProgram();
    emit passFinished(end);
}

void Form1::checkLink()
{
    m_label1->clear();
    const auto answer =
        edonkey::checkEd2kLink(platform::toClientBytes(m_text2->text()), m_state.database);
    if (!answer) {
        m_services.desktop.showMessage(edonkey::invalidLinkMessage);
        return;
    }
    m_label1->setText(platform::fromClientBytes(*answer));
}

void Form1::checkChosenPartFile()
{
    m_jobs.run(Job::PartFileCheck, [this] {
        edonkey::checkChosenPartFile(m_services.files, m_state.database, m_services.desktop,
                                     *m_log);
    });
}

void Form1::changeFolder()
{
    m_jobs.run(Job::ChangeFolder, [this] {
        edonkey::changeDonkeyFolder(edonkey::Settings(m_services.files.settingIni()),
                                    m_services.desktop);
    });
}

void Form1::getNewDatabase()
{
    // A click while an update is under way, or after one, only gets told so.
    if (m_state.justUpdated) {
        m_services.desktop.showMessage(update::justUpdatedMessage);
        return;
    }
    m_jobs.run(Job::DatabaseUpdate, [this] {
        update::getNewDatabase(m_services.updateServer,
                               {m_state.database, m_state.justUpdated, m_services.files},
                               m_services.http, m_services.desktop, *m_log);
    });
}

void Form1::openAbout()
{
    setEnabled(false);
    if (!m_about) {
        m_about = std::make_unique<Form2>(m_services.desktop);
        connect(m_about.get(), &Form2::closed, this, &Form1::aboutClosed);
        centreOnScreen(*m_about);
    }
    m_about->show();
    m_about->activateWindow();
}

void Form1::aboutClosed()
{
    setEnabled(true);
    activateWindow();
    activate();
}

} // namespace app
