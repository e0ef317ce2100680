#include "platform/qt/qt_text.h"

#include "platform/text_encoding.h"

#include <QFile>

namespace platform {

QString fromClientBytes(std::string_view bytes)
{
    const std::string utf8 = toDisplayUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
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
