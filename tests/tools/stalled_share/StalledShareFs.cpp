// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-stalled-share BACKING_DIR MOUNT_DIR STALL_LIST_FILE
//
// Shows BACKING_DIR at MOUNT_DIR and lets a test make parts of it hang the way a network
// share does when its server stops answering. STALL_LIST_FILE holds names, one a line: any
// operation on a path with a component of that name waits until the name leaves the list,
// and a line `*` holds every operation. The list is read again on each operation and every
// 20 ms while one waits, so a test steers the share by rewriting the file (atomically: a
// half-written list would let held operations go).
//
// While operations are held, STALL_LIST_FILE.held names them, one `operation path` a line,
// so that a test can wait for a client to be stuck instead of guessing how long that takes.
//
// A held operation gives up only when the share shuts down (SIGTERM, SIGINT, unmount), so
// that a test can always end, and when its client has been killed, since a killed process
// stuck on a hard network mount dies too. An operation that changes a folder (create,
// rename, delete) keeps the kernel's lock on that folder while it is held, so look-ups in
// that folder wait as well, as they do on a real share.
//
// Locks (flock and fcntl) are left to the kernel: they hold between all users of the share
// and go at the last close, as programs expect; they do not reach the backing folder.
// Passed through, a lock would be let go only when the kernel gets round to the release,
// after close() has returned, and fcntl locks would all belong to this one process.

// 3.12: the loop's thread limit can be set.
#define FUSE_USE_VERSION 312
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <linux/fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

int g_backing = -1;      // the backing folder; every call below is relative to it
std::string g_list;      // the stall list
std::string g_held;      // the operations waiting now, for the tests to read

std::mutex g_heldLock;
std::list<std::string> g_heldOps;

constexpr auto kPoll = std::chrono::milliseconds(20);

std::string g_mountField;          // the mount point as /proc/self/mountinfo writes it
std::atomic<uint64_t> g_initUnique{0};
std::atomic<bool> g_parallelDirops{false};

// FUSE paths start with '/'; the *at calls want them relative to the backing folder.
const char* rel(const char* path)
{
    if (!path || path[0] == '\0' || (path[0] == '/' && path[1] == '\0')) return ".";
    return path[0] == '/' ? path + 1 : path;
}

std::vector<std::string> readList()
{
    std::vector<std::string> names;
    const int fd = ::open(g_list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return names;
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        // Lists written by hand or on Windows may carry spaces and CRs around the names.
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (!line.empty()) names.emplace_back(line);
        start = end + 1;
    }
    return names;
}

bool listed(const std::vector<std::string>& names, const char* path)
{
    for (const std::string& name : names) {
        // An operation without a path (on a file deleted while open) can still be held by `*`.
        if (name == "*") return true;
        if (!path) continue;
        std::string_view rest(path);
        while (!rest.empty()) {
            const size_t slash = rest.find('/');
            const std::string_view part = rest.substr(0, slash);
            if (part == name) return true;
            if (slash == std::string_view::npos) break;
            rest.remove_prefix(slash + 1);
        }
    }
    return false;
}

void writeHeld()
{
    std::string text;
    for (const std::string& op : g_heldOps) text += op + '\n';
    // Replaced whole so that a reader never sees half a list.
    const std::string tmp = g_held + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    ::rename(tmp.c_str(), g_held.c_str());
}

// A lazy unmount leaves the file system running as long as anyone is inside it, and a
// client held here is inside: without this check the two would wait on each other.
bool unmounted()
{
    FILE* f = std::fopen("/proc/self/mountinfo", "re");
    if (!f) return false;
    bool found = false;
    char* line = nullptr;
    size_t size = 0;
    while (!found && ::getline(&line, &size, f) > 0) {
        // The mount point is the fifth field.
        const char* p = line;
        for (int field = 0; field < 4 && p; ++field) {
            p = std::strchr(p, ' ');
            if (p) ++p;
        }
        if (!p) continue;
        const char* end = std::strchr(p, ' ');
        found = end && std::string_view(p, static_cast<size_t>(end - p)) == g_mountField;
    }
    std::free(line);
    std::fclose(f);
    return !found;
}

bool shuttingDown()
{
    fuse_context* ctx = fuse_get_context();
    if (ctx && ctx->fuse && fuse_session_exited(fuse_get_session(ctx->fuse))) return true;
    return unmounted();
}

// libfuse before 3.16 takes FUSE_CAP_PARALLEL_DIROPS but never tells the kernel, so the
// flag is added to the answer to the kernel's INIT on its way out.
ssize_t deviceRead(int fd, void* buf, size_t size, void*)
{
    const ssize_t n = ::read(fd, buf, size);
    if (n >= static_cast<ssize_t>(sizeof(fuse_in_header))) {
        const auto* in = static_cast<const fuse_in_header*>(buf);
        if (in->opcode == FUSE_INIT) g_initUnique = in->unique;
    }
    return n;
}

ssize_t deviceWritev(int fd, iovec* iov, int count, void*)
{
    if (count >= 2 && iov[0].iov_len >= sizeof(fuse_out_header) && g_parallelDirops) {
        const auto* out = static_cast<const fuse_out_header*>(iov[0].iov_base);
        if (out->error == 0 && out->unique == g_initUnique && g_initUnique != 0 &&
            iov[1].iov_len >= offsetof(fuse_init_out, flags) + sizeof(uint32_t)) {
            auto* init = static_cast<fuse_init_out*>(iov[1].iov_base);
            init->flags |= FUSE_PARALLEL_DIROPS;
            g_initUnique = 0;
        }
    }
    return ::writev(fd, iov, count);
}

// True when the calling thread has a SIGKILL pending: the kernel waits for our answer
// before it lets such a process die, so holding on would leave an unkillable client.
bool clientKilled()
{
    fuse_context* ctx = fuse_get_context();
    if (!ctx || ctx->pid <= 0) return false;
    const std::string status = "/proc/" + std::to_string(ctx->pid) + "/status";
    FILE* f = std::fopen(status.c_str(), "re");
    if (!f) return errno == ENOENT; // gone already; anything else says nothing either way
    bool killed = false;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "SigPnd:", 7) != 0 && std::strncmp(line, "ShdPnd:", 7) != 0) continue;
        const unsigned long long mask = std::strtoull(line + 7, nullptr, 16);
        if (mask & (1ULL << (SIGKILL - 1))) killed = true;
    }
    std::fclose(f);
    return killed;
}

// Waits while the list names a part of either path. 0 to go on, or the error for the client.
int hold(const char* op, const char* path, const char* path2 = nullptr)
{
    const auto held = [&] {
        const std::vector<std::string> names = readList();
        return listed(names, path) || (path2 && listed(names, path2));
    };
    if (!held()) return 0;
    std::list<std::string>::iterator me;
    {
        const std::lock_guard<std::mutex> lock(g_heldLock);
        me = g_heldOps.insert(g_heldOps.end(), std::string(op) + ' ' + (path ? path : "-"));
        writeHeld();
    }
    int result = 0;
    while (held()) {
        if (shuttingDown()) {
            result = -EIO;
            break;
        }
        if (clientKilled()) {
            result = -EINTR;
            break;
        }
        std::this_thread::sleep_for(kPoll);
    }
    const std::lock_guard<std::mutex> lock(g_heldLock);
    g_heldOps.erase(me);
    writeHeld();
    return result;
}

int fail() { return -errno; }
int fd(const fuse_file_info* fi) { return static_cast<int>(fi->fh); }

void* fsInit(fuse_conn_info* conn, fuse_config* cfg)
{
    // Without this the kernel looks up one name at a time in a folder, and one held name
    // would hang every other name beside it.
    if (conn->capable & FUSE_CAP_PARALLEL_DIROPS) {
        conn->want |= FUSE_CAP_PARALLEL_DIROPS;
        g_parallelDirops = true;
    }
    // No caching in the kernel: every look-up and every stat must reach us, or a listed
    // name would answer from the cache instead of hanging.
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->use_ino = 1;
    // Files replaced or deleted while open go away at once, as on a real share, instead of
    // turning into .fuse_hidden files that a folder listing would show; everything on an
    // open file goes through its descriptor, so a lost path (NULL) does not matter. Paths
    // are still asked for on open files, so that a stalled name holds their reads too.
    cfg->hard_remove = 1;
    return nullptr;
}

int fsGetattr(const char* path, struct stat* st, fuse_file_info* fi)
{
    if (int r = hold("getattr", path)) return r;
    const int r = fi ? ::fstat(fd(fi), st) : ::fstatat(g_backing, rel(path), st, AT_SYMLINK_NOFOLLOW);
    return r < 0 ? fail() : 0;
}

int fsAccess(const char* path, int mask)
{
    if (int r = hold("access", path)) return r;
    return ::faccessat(g_backing, rel(path), mask, 0) < 0 ? fail() : 0;
}

int fsReadlink(const char* path, char* buf, size_t size)
{
    if (int r = hold("readlink", path)) return r;
    if (size == 0) return -EINVAL;
    const ssize_t n = ::readlinkat(g_backing, rel(path), buf, size - 1);
    if (n < 0) return fail();
    buf[n] = '\0';
    return 0;
}

int fsReaddir(const char* path, void* buf, fuse_fill_dir_t filler, off_t, fuse_file_info*, fuse_readdir_flags)
{
    if (int r = hold("readdir", path)) return r;
    const int dfd = ::openat(g_backing, rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return fail();
    DIR* dir = ::fdopendir(dfd);
    if (!dir) {
        const int e = errno;
        ::close(dfd);
        return -e;
    }
    while (dirent* e = ::readdir(dir)) {
        struct stat st {};
        st.st_ino = e->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(e->d_type));
        if (filler(buf, e->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0))) break;
    }
    ::closedir(dir);
    return 0;
}

int fsMknod(const char* path, mode_t mode, dev_t rdev)
{
    if (int r = hold("mknod", path)) return r;
    int r;
    if (S_ISREG(mode)) {
        r = ::openat(g_backing, rel(path), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (r >= 0) r = ::close(r);
    } else if (S_ISFIFO(mode)) {
        r = ::mkfifoat(g_backing, rel(path), mode);
    } else {
        r = ::mknodat(g_backing, rel(path), mode, rdev);
    }
    return r < 0 ? fail() : 0;
}

int fsMkdir(const char* path, mode_t mode)
{
    if (int r = hold("mkdir", path)) return r;
    return ::mkdirat(g_backing, rel(path), mode) < 0 ? fail() : 0;
}

int fsUnlink(const char* path)
{
    if (int r = hold("unlink", path)) return r;
    return ::unlinkat(g_backing, rel(path), 0) < 0 ? fail() : 0;
}

int fsRmdir(const char* path)
{
    if (int r = hold("rmdir", path)) return r;
    return ::unlinkat(g_backing, rel(path), AT_REMOVEDIR) < 0 ? fail() : 0;
}

// The target of a link is its text, not a path on the share, so only the link is checked.
int fsSymlink(const char* target, const char* path)
{
    if (int r = hold("symlink", path)) return r;
    return ::symlinkat(target, g_backing, rel(path)) < 0 ? fail() : 0;
}

int fsRename(const char* from, const char* to, unsigned int flags)
{
    if (int r = hold("rename", from, to)) return r;
    return ::renameat2(g_backing, rel(from), g_backing, rel(to), flags) < 0 ? fail() : 0;
}

int fsLink(const char* from, const char* to)
{
    if (int r = hold("link", from, to)) return r;
    return ::linkat(g_backing, rel(from), g_backing, rel(to), 0) < 0 ? fail() : 0;
}

int fsChmod(const char* path, mode_t mode, fuse_file_info* fi)
{
    if (int r = hold("chmod", path)) return r;
    const int r = fi ? ::fchmod(fd(fi), mode) : ::fchmodat(g_backing, rel(path), mode, 0);
    return r < 0 ? fail() : 0;
}

int fsChown(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi)
{
    if (int r = hold("chown", path)) return r;
    const int r = fi ? ::fchown(fd(fi), uid, gid) : ::fchownat(g_backing, rel(path), uid, gid, AT_SYMLINK_NOFOLLOW);
    return r < 0 ? fail() : 0;
}

int fsTruncate(const char* path, off_t size, fuse_file_info* fi)
{
    if (int r = hold("truncate", path)) return r;
    if (fi) return ::ftruncate(fd(fi), size) < 0 ? fail() : 0;
    const int f = ::openat(g_backing, rel(path), O_WRONLY | O_CLOEXEC);
    if (f < 0) return fail();
    const int r = ::ftruncate(f, size) < 0 ? fail() : 0;
    ::close(f);
    return r;
}

int fsUtimens(const char* path, const timespec tv[2], fuse_file_info* fi)
{
    if (int r = hold("utimens", path)) return r;
    const int r = fi ? ::futimens(fd(fi), tv) : ::utimensat(g_backing, rel(path), tv, AT_SYMLINK_NOFOLLOW);
    return r < 0 ? fail() : 0;
}

int fsCreate(const char* path, mode_t mode, fuse_file_info* fi)
{
    if (int r = hold("create", path)) return r;
    const int f = ::openat(g_backing, rel(path), fi->flags | O_CLOEXEC, mode);
    if (f < 0) return fail();
    fi->fh = static_cast<uint64_t>(f);
    return 0;
}

// The client's flags go to the backing file unchanged: O_APPEND there makes every write
// land at the end whatever offset the kernel sends, as appends by several writers need.
int fsOpen(const char* path, fuse_file_info* fi)
{
    if (int r = hold("open", path)) return r;
    const int f = ::openat(g_backing, rel(path), fi->flags | O_CLOEXEC);
    if (f < 0) return fail();
    fi->fh = static_cast<uint64_t>(f);
    return 0;
}

int fsRead(const char* path, char* buf, size_t size, off_t offset, fuse_file_info* fi)
{
    if (int r = hold("read", path)) return r;
    const ssize_t n = ::pread(fd(fi), buf, size, offset);
    return n < 0 ? fail() : static_cast<int>(n);
}

int fsWrite(const char* path, const char* buf, size_t size, off_t offset, fuse_file_info* fi)
{
    if (int r = hold("write", path)) return r;
    const ssize_t n = ::pwrite(fd(fi), buf, size, offset);
    return n < 0 ? fail() : static_cast<int>(n);
}

int fsStatfs(const char* path, struct statvfs* st)
{
    if (int r = hold("statfs", path)) return r;
    return ::fstatvfs(g_backing, st) < 0 ? fail() : 0;
}

// Called on every close of a descriptor; closing a duplicate reports the backing file's
// delayed write errors without giving up the descriptor the other copies still use.
int fsFlush(const char* path, fuse_file_info* fi)
{
    if (int r = hold("flush", path)) return r;
    return ::close(::dup(fd(fi))) < 0 ? fail() : 0;
}

int fsRelease(const char* path, fuse_file_info* fi)
{
    // Even a release given up at shutdown must close, or the descriptor would leak.
    const int r = hold("release", path);
    ::close(fd(fi));
    return r;
}

int fsFsync(const char* path, int datasync, fuse_file_info* fi)
{
    if (int r = hold("fsync", path)) return r;
    return (datasync ? ::fdatasync(fd(fi)) : ::fsync(fd(fi))) < 0 ? fail() : 0;
}

int fsFallocate(const char* path, int mode, off_t offset, off_t length, fuse_file_info* fi)
{
    if (int r = hold("fallocate", path)) return r;
    return ::fallocate(fd(fi), mode, offset, length) < 0 ? fail() : 0;
}

fuse_operations operations()
{
    fuse_operations ops {};
    ops.init = fsInit;
    ops.getattr = fsGetattr;
    ops.access = fsAccess;
    ops.readlink = fsReadlink;
    ops.readdir = fsReaddir;
    ops.mknod = fsMknod;
    ops.mkdir = fsMkdir;
    ops.unlink = fsUnlink;
    ops.rmdir = fsRmdir;
    ops.symlink = fsSymlink;
    ops.rename = fsRename;
    ops.link = fsLink;
    ops.chmod = fsChmod;
    ops.chown = fsChown;
    ops.truncate = fsTruncate;
    ops.utimens = fsUtimens;
    ops.create = fsCreate;
    ops.open = fsOpen;
    ops.read = fsRead;
    ops.write = fsWrite;
    ops.statfs = fsStatfs;
    ops.flush = fsFlush;
    ops.release = fsRelease;
    ops.fsync = fsFsync;
    ops.fallocate = fsFallocate;
    return ops;
}

std::string realPath(const char* path)
{
    char* r = ::realpath(path, nullptr);
    if (!r) return {};
    std::string s(r);
    std::free(r);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BACKING_DIR MOUNT_DIR STALL_LIST_FILE\n", argv[0]);
        return 2;
    }
    g_backing = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_backing < 0) {
        std::fprintf(stderr, "mokuri-stalled-share: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    const std::string mount = realPath(argv[2]);
    if (mount.empty()) {
        std::fprintf(stderr, "mokuri-stalled-share: %s: %s\n", argv[2], std::strerror(errno));
        return 2;
    }
    const std::string list = argv[3];
    const size_t slash = list.find_last_of('/');
    const std::string listDir = realPath(slash == std::string::npos ? "." : list.substr(0, slash + 1).c_str());
    // The list is read by the share's own threads: inside the share, reading it could
    // itself be held and nothing would ever be let go.
    if (listDir.empty() || listDir == mount || listDir.rfind(mount + '/', 0) == 0) {
        std::fprintf(stderr, "mokuri-stalled-share: the stall list must be in an existing folder outside %s\n",
                     mount.c_str());
        return 2;
    }
    g_list = listDir + '/' + (slash == std::string::npos ? list : list.substr(slash + 1));
    g_held = g_list + ".held";
    ::unlink(g_held.c_str());
    for (const char c : mount) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned char>(c));
            g_mountField += escaped;
        } else {
            g_mountField += c;
        }
    }

    std::string options = "fsname=mokuri-stalled-share,subtype=mokuri-stalled-share";
    // Root may let everyone in, so that a test can also reach the share as another user.
    if (::geteuid() == 0) options += ",allow_other";
    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    if (fuse_opt_add_arg(&args, argv[0]) != 0 || fuse_opt_add_arg(&args, "-o") != 0 ||
        fuse_opt_add_arg(&args, options.c_str()) != 0) {
        std::fprintf(stderr, "mokuri-stalled-share: out of memory\n");
        return 1;
    }
    const fuse_operations ops = operations();
    fuse* fs = fuse_new(&args, &ops, sizeof ops, nullptr);
    if (!fs) {
        std::fprintf(stderr, "mokuri-stalled-share: cannot set up the file system\n");
        fuse_opt_free_args(&args);
        return 1;
    }
    fuse_session* session = fuse_get_session(fs);
    // A shell starts background jobs with SIGINT ignored, and libfuse leaves an ignored
    // signal alone; the share is to end on it wherever it was started.
    std::signal(SIGINT, SIG_DFL);
    // Handled from before the mount, so that no SIGTERM can end the process with the
    // mount left behind.
    if (fuse_set_signal_handlers(session) != 0) {
        std::fprintf(stderr, "mokuri-stalled-share: cannot handle signals\n");
        fuse_destroy(fs);
        fuse_opt_free_args(&args);
        return 1;
    }
    int rc = -1;
    if (fuse_mount(fs, mount.c_str()) != 0) {
        std::fprintf(stderr, "mokuri-stalled-share: cannot mount %s\n", mount.c_str());
    } else {
        fuse_custom_io io {};
        io.read = deviceRead;
        io.writev = deviceWritev;
        if (fuse_session_custom_io(session, &io, fuse_session_fd(session)) != 0) {
            std::fprintf(stderr, "mokuri-stalled-share: cannot watch the kernel's requests\n");
        } else {
            fuse_loop_config* loop = fuse_loop_cfg_create();
            // Enough threads that a test can hold many operations and the share still
            // answers the rest; the library's default of 10 would run out.
            fuse_loop_cfg_set_max_threads(loop, 64);
            rc = fuse_loop_mt(fs, loop);
            fuse_loop_cfg_destroy(loop);
        }
        fuse_unmount(fs);
    }
    fuse_remove_signal_handlers(session);
    fuse_destroy(fs);
    fuse_opt_free_args(&args);
    ::unlink(g_held.c_str());
    // The loop ends with the signal's number after SIGTERM or SIGINT: a clean end too.
    return rc < 0 ? 1 : 0;
}
