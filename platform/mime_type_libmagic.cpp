#include "platform/mime_type.h"

#include <magic.h>

namespace platform {
namespace {

// libmagic's handles are not safe to share between threads: one per thread,
// closed when the thread ends.
class MagicHandle {
public:
    MagicHandle()
        : m_cookie(::magic_open(MAGIC_MIME_TYPE))
    {
        if (m_cookie && ::magic_load(m_cookie, nullptr) != 0) {
            ::magic_close(m_cookie);
            m_cookie = nullptr;
        }
    }
    ~MagicHandle()
    {
        if (m_cookie)
            ::magic_close(m_cookie);
    }
    MagicHandle(const MagicHandle&) = delete;
    MagicHandle& operator=(const MagicHandle&) = delete;

    magic_t get() const { return m_cookie; }

private:
    magic_t m_cookie;
};

} // namespace

std::string mimeTypeOf(std::string_view bytes)
{
    thread_local const MagicHandle handle;
    if (!handle.get())
        return {};
    const char* type = ::magic_buffer(handle.get(), bytes.data(), bytes.size());
    return type ? std::string(type) : std::string();
}

} // namespace platform
