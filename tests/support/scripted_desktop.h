#pragma once

#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/log_box.h"
#include "platform/registry.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

/// A desktop whose user is scripted: each file dialog takes the next queued
/// answer (the empty text, a cancel, when none is queued), and every message,
/// dialog, opened address and yield is recorded.
class ScriptedDesktop final : public platform::Desktop {
public:
    struct Dialog {
        std::string pattern;
        std::string title;
        std::string initialDir;
    };

    /// The answer of the next file dialog; "" cancels it.
    void queueFileChoice(std::string path) { m_fileChoices.push_back(std::move(path)); }

    /// Runs inside every yield, as a click would that the window system delivers then.
    void onYield(std::function<void()> action) { m_onYield = std::move(action); }

    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    std::string chooseFile(std::string_view pattern, std::string_view title,
                           std::string_view initialDir) override
    {
        dialogs.push_back({std::string(pattern), std::string(title), std::string(initialDir)});
        std::string choice = m_fileChoices.empty() ? "" : std::move(m_fileChoices.front());
        if (!m_fileChoices.empty())
            m_fileChoices.pop_front();
        return choice;
    }
    void openUrl(std::string_view url) override { urls.emplace_back(url); }
    void yield() override
    {
        ++yields;
        if (m_onYield)
            m_onYield();
    }

    std::vector<std::string> messages;
    std::vector<Dialog> dialogs;
    std::vector<std::string> urls;
    int yields = 0;

private:
    std::deque<std::string> m_fileChoices;
    std::function<void()> m_onYield;
};

/// A log box that is just its text.
class TextLogBox final : public platform::LogBox {
public:
    void replace(std::string_view newText) override { text = newText; }
    void append(std::string_view more) override { text += more; }

    std::string text;
};

/// A registry holding only the values a test puts in; empty, it is the
/// registry of a system without one.
class ScriptedRegistry final : public platform::Registry {
public:
    std::optional<std::string> readClassesRootDefault(std::string_view subkey) override
    {
        const auto it = values.find(subkey);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }

    std::map<std::string, std::string, std::less<>> values;
};

/// A network that answers from `bodies` and fails every other transfer;
/// `onGet` runs inside each transfer, as the window's events do while one waits.
class ScriptedHttp final : public platform::HttpClient {
public:
    std::optional<std::string> get(std::string_view url) override
    {
        requests.emplace_back(url);
        if (onGet)
            onGet();
        const auto it = bodies.find(url);
        return it == bodies.end() ? std::nullopt : std::optional(it->second);
    }

    std::map<std::string, std::string, std::less<>> bodies;
    std::function<void()> onGet;
    std::vector<std::string> requests;
};

} // namespace testing_support
