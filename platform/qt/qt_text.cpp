#include "platform/qt/qt_text.h"

#include "platform/text_encoding.h"

#include <QFile>

namespace platform {

QString fromClientBytes(std::string_view bytes)
{
    return fromUtf8Text(shownLines(bytes, "\r\n"));
}

QString fromClientLine(std::string_view bytes)
{
    return fromUtf8Text(shownText(bytes));
}

QString fromUtf8Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toClientBytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

std::string toPathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace platform
