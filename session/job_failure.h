#pragma once

#include <exception>
#include <string>

namespace session {

/// Why a job that threw `failure` could not finish, in words for the user:
/// what a standard exception says, "not enough memory" for a failed
/// allocation, and a plain "an unexpected error" for anything else thrown.
std::string reasonOf(const std::exception_ptr& failure);

} // namespace session
