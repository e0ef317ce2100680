#include "session/suspicion_lines.h"

#include "session/texts.h"

namespace session {

std::string suspectLine(const edonkey::Suspicion& suspicion)
{
    return std::string(texts::suspectBefore) + edonkey::suspicionWords(suspicion);
}

std::string suspectCountLine(std::size_t suspects)
{
    return std::string(texts::suspectDownloadsBefore) + std::to_string(suspects) +
           std::string(suspects == 1 ? texts::suspectDownload : texts::suspectDownloads);
}

} // namespace session
