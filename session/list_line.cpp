#include "session/list_line.h"

#include "edonkey/link_check.h"
#include "fakedb/list_line.h"
#include "session/finished_files.h"
#include "session/texts.h"

namespace session {

std::variant<ListLine, std::string> listLineFor(const std::string& linkOrFile,
                                                const std::optional<std::string>& description)
{
    std::string link = linkOrFile;
    if (!linkOrFile.starts_with("ed2k://")) {
        auto hashed = finishedFileLink(linkOrFile);
        if (const auto* error = std::get_if<HashError>(&hashed))
            return linkOrFile + ": " + std::string(hashErrorText(*error));
        link = std::move(std::get<std::string>(hashed));
    }
    const auto fields = edonkey::parseEd2kLink(link);
    const std::string& text = description ? *description : fields ? fields->name : link;
    if (text.find_first_of("\r\n") != std::string::npos)
        return std::string("the description must be one line");
    if (!fields)
        return std::string(texts::invalidLink);
    ListLine line{fakedb::makeListLine(fields->hash, fields->size, text)};
    if (fakedb::faultOf(line.text))
        return std::string(texts::invalidLink);
    return line;
}

} // namespace session
