#include "tests/support/scripted_desktop.h"

namespace testing_support {

void ScriptedDesktop::showMessage(std::string_view text)
{
    messages.emplace_back(text);
}

std::string ScriptedDesktop::chooseFile(std::string_view pattern, std::string_view title,
                                        std::string_view initialDir)
{
    dialogs.push_back({std::string(pattern), std::string(title), std::string(initialDir)});
    if (m_fileChoices.empty())
        return {};
    std::string choice = std::move(m_fileChoices.front());
    m_fileChoices.pop_front();
    return choice;
}

void ScriptedDesktop::yield()
{
    ++yields;
    if (m_onYield)
        m_onYield();
}

std::optional<std::string> ScriptedRegistry::readClassesRootDefault(std::string_view subkey)
{
    const auto it = values.find(subkey);
    return it == values.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::string> ScriptedHttp::get(std::string_view url)
{
    requests.emplace_back(url);
    if (onGet)
        onGet();
    const auto it = bodies.find(url);
    return it == bodies.end() ? std::nullopt : std::optional(it->second);
}

} // namespace testing_support
