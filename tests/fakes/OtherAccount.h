// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Another account on a shared machine: a child's login beside the teacher's files, or
// someone who planted a link in a folder everyone may write to.
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mokuri::test {

constexpr uid_t kOtherAccount = 65534;  // "nobody", who owns none of the test's files

inline bool runningAsRoot() { return ::geteuid() == 0; }

// True when `body` returns true in a child process run as "nobody" (as root) or as the
// test's own account, which a folder without write bits keeps out as well.
inline bool asAnotherAccount(const std::function<bool()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (runningAsRoot() && (::setgroups(0, nullptr) || ::setgid(kOtherAccount) || ::setuid(kOtherAccount))) ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace mokuri::test
