// The open-file dialog on the offscreen platform.

#include "platform/qt/qt_desktop.h"

#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QFileDialog>
#include <QListView>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

class QtDesktopTest final : public QObject {
    Q_OBJECT

private slots:
    // As on Windows, the filter lists names whatever their letter case; the
    // hidden folder aMule keeps its settings in is listed too.
    void chooseFileMatchesNamesWithoutRegardToCase()
    {
        const testing_support::TempDir dir;
        for (const char* name : {"PREF.MET", "X.PART.MET", "pref.met.bak", "Amule.conf"})
            dir.write(name, "");
        dir.makeFolder(".aMule");
        const std::pair<const char*, QStringList> cases[] = {
            {"pref.met", {".aMule", "PREF.MET"}},
            {"*.part.met", {".aMule", "X.PART.MET"}},
            {"pref.met amule.conf preferences.ini", {".aMule", "Amule.conf", "PREF.MET"}}};
        for (const auto& [pattern, expected] : cases) {
            QStringList listed;
            QTimer::singleShot(0, [&listed] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                const auto close = qScopeGuard([dialog] { dialog->reject(); });
                // Native dialogs (GTK, the desktop portal) match case-sensitively.
                QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
                const auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
                QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            });
            platform::QtDesktop desktop;
            QVERIFY(desktop.chooseFile(pattern, "Open", dir.path()).empty());
            QCOMPARE(listed, expected);
        }
    }
};

QTEST_MAIN(QtDesktopTest)
#include "qt_desktop_test.moc"
