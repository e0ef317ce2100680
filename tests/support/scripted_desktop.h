#pragma once

#include "platform/ascii.h"
#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/log_box.h"
#include "platform/registry.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace testing_support {

/// A desktop whose user is scripted: each file dialog takes the next queued
/// answer (the empty text, a cancel, when none is queued), and every message,
/// dialog and opened address is recorded.
class ScriptedDesktop final : public platform::Desktop {
public:
    struct Dialog {
        std::string pattern;
        std::string title;
        std::string initialDir;
    };

    /// The answer of the next file dialog; "" cancels it.
    void queueFileChoice(std::string path) { m_fileChoices.push_back(std::move(path)); }

    /// Runs while each message box or file dialog is open, as what the user
    /// does before closing it.
    void onAsked(std::function<void()> action) { m_onAsked = std::move(action); }

    void showMessage(std::string_view text) override
    {
        messages.emplace_back(text);
        if (m_onAsked)
            m_onAsked();
    }
    /// Answers with `yesToQuestions`, recording the question.
    bool askYesNo(std::string_view question) override
    {
        questions.emplace_back(question);
        return yesToQuestions;
    }
    std::string chooseFile(std::string_view pattern, std::string_view title,
                           std::string_view initialDir) override
    {
        dialogs.push_back({std::string(pattern), std::string(title), std::string(initialDir)});
        if (m_onAsked)
            m_onAsked();
        std::string choice = m_fileChoices.empty() ? "" : std::move(m_fileChoices.front());
        if (!m_fileChoices.empty())
            m_fileChoices.pop_front();
        return choice;
    }
    void openUrl(std::string_view url) override { urls.emplace_back(url); }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool yesToQuestions = false;
    std::vector<Dialog> dialogs;
    std::vector<std::string> urls;

private:
    std::deque<std::string> m_fileChoices;
    std::function<void()> m_onAsked;
};

/// A log box that is just its text.
class TextLogBox final : public platform::LogBox {
public:
    void replace(std::string_view newText) override { text = newText; }
    void append(std::string_view more) override { text += more; }

    std::string text;
};

/// A registry holding only the values a test puts in; empty, it is the
/// registry of a system without one. Key and value names are compared
/// without regard to case, as Windows compares them.
class ScriptedRegistry final : public platform::Registry {
public:
    std::optional<std::string> readString(platform::RegistryRoot root, std::string_view subkey,
                                          std::string_view name) override
    {
        return held<std::string>(where(root, subkey, name));
    }

    std::optional<std::uint32_t> readDword(platform::RegistryRoot root, std::string_view subkey,
                                           std::string_view name) override
    {
        return held<std::uint32_t>(where(root, subkey, name));
    }

    /// Sets value `name` of `subkey` ("" names the default value).
    void set(platform::RegistryRoot root, std::string_view subkey, std::string_view name,
             std::variant<std::string, std::uint32_t> value)
    {
        values[where(root, subkey, name)] = std::move(value);
    }

    /// Sets the default value of `subkey` under HKEY_CLASSES_ROOT.
    void setClassesRootDefault(std::string_view subkey, std::string value)
    {
        set(platform::RegistryRoot::ClassesRoot, subkey, "", std::move(value));
    }

private:
    using Where = std::tuple<platform::RegistryRoot, std::string, std::string>;
    static Where where(platform::RegistryRoot root, std::string_view subkey, std::string_view name)
    {
        return {root, platform::lowerAscii(subkey), platform::lowerAscii(name)};
    }

    template <typename T>
    std::optional<T> held(const Where& key) const
    {
        const auto it = values.find(key);
        const T* value = it == values.end() ? nullptr : std::get_if<T>(&it->second);
        return value ? std::optional<T>(*value) : std::nullopt;
    }

public:
    std::map<Where, std::variant<std::string, std::uint32_t>> values;
};

/// A network that answers from `bodies` and fails every other transfer;
/// `onGet` runs inside each transfer, on the thread that asked for it, so a
/// test can hold a transfer there.
/// Transfers may run on another thread than the test: count them through
/// `transfers`, which is safe to read from anywhere.
class ScriptedHttp final : public platform::HttpClient {
public:
    std::optional<std::string> get(std::string_view url) override
    {
        requests.emplace_back(url);
        ++transfers;
        if (onGet)
            onGet();
        const auto it = bodies.find(url);
        return it == bodies.end() ? std::nullopt : std::optional(it->second);
    }

    std::map<std::string, std::string, std::less<>> bodies;
    std::function<void()> onGet;
    std::vector<std::string> requests;
    std::atomic<std::size_t> transfers = 0;
};

} // namespace testing_support
