// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Another account on a shared machine: a child's login beside the teacher's files, or
// someone who planted a link in a folder everyone may write to.
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mokuri::test {

// "nobody": an account that owns none of the test's files.
constexpr uid_t kOtherAccount = 65534;

inline bool runningAsRoot() { return ::geteuid() == 0; }

// Runs `body` in a child process as an account other than the files' owner: as root, the
// account "nobody"; otherwise the test's own account, which a folder without write bits
// keeps out as well. True when `body` returned true.
inline bool asAnotherAccount(const std::function<bool()>& body)
{
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        if (runningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kOtherAccount) != 0 || ::setuid(kOtherAccount) != 0))
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace mokuri::test
