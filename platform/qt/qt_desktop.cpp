#include "platform/qt/qt_desktop.h"

#include "platform/qt/qt_text.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace platform {
void QtDesktop::showMessage(std::string_view text)
{
    QString shown = fromClientBytes(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Brisquen"), shown, QMessageBox::Ok,
                    m_owner);
    box.exec();
}

bool QtDesktop::askYesNo(std::string_view question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Brisquen"), fromClientBytes(question),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::string QtDesktop::chooseFile(std::string_view pattern, std::string_view title,
                                  std::string_view initialDir)
{
    const QString filter = fromUtf8Text(pattern);
    QFileDialog dialog(
        m_owner, fromUtf8Text(title),
        QFile::decodeName(QByteArray(initialDir.data(), static_cast<qsizetype>(initialDir.size()))),
        filter + QStringLiteral(" (") + filter + QStringLiteral(")"));
    // Names match whatever their letter case, as on Windows: native dialogs
    // (GTK, the desktop portal) match the pattern case-sensitively.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    // aMule keeps its settings in the hidden folder ~/.aMule.
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return toPathBytes(dialog.selectedFiles().constFirst());
}

void QtDesktop::openUrl(std::string_view url)
{
    // Like the shell, the browser reports nothing back; a failure is ignored.
    QDesktopServices::openUrl(QUrl(fromUtf8Text(url)));
}

} // namespace platform
