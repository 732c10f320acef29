#include "engine/Sandbox.h"

#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/capability.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(ORVL_SANITIZED)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

#if defined(ORVL_SANITIZED)
std::atomic_bool confined = false;
#endif

// A network namespace of its own has no interface but a loopback that is down: even a socket that
// got past the filter reaches nothing. Without user namespaces only a privileged process may make
// one. False where the kernel grants none; nullopt when the call itself was wrong.
std::optional<bool> isolateNetwork() {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0 || unshare(CLONE_NEWNET) == 0)
        return true;
    // EINVAL: threads are running already, which the caller must never let happen.
    if (errno == EINVAL)
        return std::nullopt;
    return false;
}

// Within a user namespace of its own the process holds every capability there; none is needed.
bool dropCapabilities() {
    const cap_t none = cap_init();
    const bool dropped = none && cap_set_proc(none) == 0;
    cap_free(none);
    return dropped;
}

// No file system access at all: the deck arrives open. False where the kernel has no Landlock.
std::optional<bool> denyFiles() {
    const long abi =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 0)
        return errno == ENOSYS || errno == EOPNOTSUPP ? std::optional(false) : std::nullopt;
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs =
        LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
        LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_DIR |
        LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
        LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_SOCK |
        LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    // The first version knows no renaming across folders.
    if (abi >= 2)
        attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
    const int ruleset =
        int(syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0)
        return std::nullopt;
    const bool restricted = syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    close(ruleset);
    return restricted ? std::optional(true) : std::nullopt;
}

struct Rule {
    int call;
    uint32_t action;
    std::vector<scmp_arg_cmp> arguments;
};

// What a worker does once it holds its descriptors: memory, its socket, its threads, time, and
// signals to itself (abort). Files and sockets are refused, so that a library that looks for one
// goes on without; anything not listed ends the process.
std::vector<Rule> rules() {
    const uint32_t allow = SCMP_ACT_ALLOW;
    const uint32_t refuse = SCMP_ACT_ERRNO(EACCES);
    const auto self = scmp_datum_t(getpid());
    const scmp_arg_cmp notExecutable = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    std::vector<Rule> list{
        {SCMP_SYS(read), allow, {}},
        {SCMP_SYS(write), allow, {}},
        {SCMP_SYS(pread64), allow, {}},
        {SCMP_SYS(lseek), allow, {}},
        {SCMP_SYS(close), allow, {}},
        {SCMP_SYS(fstat), allow, {}},
        // fstat() on a descriptor, never a look at a path.
        {SCMP_SYS(newfstatat), allow, {SCMP_A3(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH)}},
        // Reading a descriptor's flags; never F_SETOWN, through which the kernel would signal
        // another process.
        {SCMP_SYS(fcntl), allow, {SCMP_A1(SCMP_CMP_EQ, F_GETFL)}},
        {SCMP_SYS(fcntl), allow, {SCMP_A1(SCMP_CMP_EQ, F_GETFD)}},
        {SCMP_SYS(recvmsg), allow, {}},
        {SCMP_SYS(sendmsg), allow, {}},
        // Answers travel as memfds it writes; never resized, so that it cannot shrink the
        // program's image buffers under the program's mappings.
        {SCMP_SYS(memfd_create), allow, {}},
        {SCMP_SYS(mmap), allow, {notExecutable}},
        {SCMP_SYS(mprotect), allow, {notExecutable}},
        {SCMP_SYS(munmap), allow, {}},
        {SCMP_SYS(mremap), allow, {}},
        {SCMP_SYS(madvise), allow, {}},
        {SCMP_SYS(brk), allow, {}},
        {SCMP_SYS(futex), allow, {}},
        {SCMP_SYS(sched_yield), allow, {}},
        {SCMP_SYS(sched_getaffinity), allow, {}},
        {SCMP_SYS(set_robust_list), allow, {}},
        {SCMP_SYS(rseq), allow, {}},
        // Threads, never processes: a thread shares this filter.
        {SCMP_SYS(clone), allow, {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)}},
        // Its flags sit in memory the filter cannot read; the C library falls back to clone().
        {SCMP_SYS(clone3), SCMP_ACT_ERRNO(ENOSYS), {}},
        {SCMP_SYS(exit), allow, {}},
        {SCMP_SYS(exit_group), allow, {}},
        {SCMP_SYS(rt_sigaction), allow, {}},
        {SCMP_SYS(rt_sigprocmask), allow, {}},
        {SCMP_SYS(rt_sigreturn), allow, {}},
        {SCMP_SYS(sigaltstack), allow, {}},
        {SCMP_SYS(tgkill), allow, {SCMP_A0(SCMP_CMP_EQ, self)}},
        {SCMP_SYS(kill), allow, {SCMP_A0(SCMP_CMP_EQ, self)}},
        {SCMP_SYS(getpid), allow, {}},
        {SCMP_SYS(gettid), allow, {}},
        {SCMP_SYS(getppid), allow, {}},
        {SCMP_SYS(clock_gettime), allow, {}},
        {SCMP_SYS(nanosleep), allow, {}},
        {SCMP_SYS(clock_nanosleep), allow, {}},
        {SCMP_SYS(getrandom), allow, {}},
        // The C library's qsort() asks how much memory there is before it sorts much.
        {SCMP_SYS(sysinfo), allow, {}},
        // Reading its own limits, never changing them.
        {SCMP_SYS(prlimit64), allow, {SCMP_A0(SCMP_CMP_EQ, 0), SCMP_A2(SCMP_CMP_EQ, 0)}},
        {SCMP_SYS(open), refuse, {}},
        {SCMP_SYS(openat), refuse, {}},
        {SCMP_SYS(openat2), refuse, {}},
        {SCMP_SYS(creat), refuse, {}},
        {SCMP_SYS(socket), refuse, {}},
        {SCMP_SYS(socketpair), refuse, {}},
    };
#if defined(ORVL_SANITIZED)
    // The undefined-behaviour checks test whether memory is readable by writing it into a pipe;
    // a report names the executable and tells whether standard error is a terminal.
    list.insert(list.end(), {
                                {SCMP_SYS(pipe2), allow, {}},
                                {SCMP_SYS(readlink), allow, {}},
                                {SCMP_SYS(ioctl), allow, {SCMP_A1(SCMP_CMP_EQ, TCGETS)}},
                            });
#endif
    return list;
}

bool filterCalls() {
    const scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!filter)
        return false;
    bool built = true;
    for (const Rule& rule : rules())
        built = built &&
                seccomp_rule_add_array(filter, rule.action, rule.call,
                                       unsigned(rule.arguments.size()), rule.arguments.data()) == 0;
    const bool loaded = built && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}

} // namespace

namespace Sandbox {

bool keepDescriptors(std::initializer_list<int> keep) {
    const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nothing < 0)
        return false;
    const bool quiet = dup2(nothing, STDIN_FILENO) == STDIN_FILENO &&
                       dup2(nothing, STDOUT_FILENO) == STDOUT_FILENO;
    close(nothing);
    std::vector<int> kept(keep);
    std::sort(kept.begin(), kept.end());
    unsigned first = STDERR_FILENO + 1;
    for (const int fd : kept) {
        if (fd < int(first))
            continue;
        if (unsigned(fd) > first && close_range(first, unsigned(fd) - 1, 0) != 0)
            return false;
        first = unsigned(fd) + 1;
    }
    return quiet && close_range(first, ~0u, 0) == 0;
}

std::optional<Mechanisms> confine() {
    // Qt reads its logging rules from files with the first message: now, while it still can.
    QLoggingCategory::defaultCategory();
#if defined(ORVL_SANITIZED)
    // The sanitizers read the memory map and their symbols before, not when they report.
    __sanitizer_sandbox_on_notify(nullptr);
#endif
    Mechanisms active = 0;
    const std::optional<bool> ownNetwork = isolateNetwork();
    if (!ownNetwork || !dropCapabilities())
        return std::nullopt;
    if (*ownNetwork)
        active |= networkNamespace;
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return std::nullopt;
    active |= noNewPrivileges;
    const std::optional<bool> files = denyFiles();
    if (!files)
        return std::nullopt;
    if (*files)
        active |= landlock;
    if (!filterCalls())
        return std::nullopt;
#if defined(ORVL_SANITIZED)
    confined = true;
#endif
    return active | seccomp;
}

QStringList names(Mechanisms mechanisms) {
    QStringList list;
    if (mechanisms & seccomp)
        list << QStringLiteral("seccomp");
    if (mechanisms & noNewPrivileges)
        list << QStringLiteral("no new privileges");
    if (mechanisms & landlock)
        list << QStringLiteral("Landlock");
    if (mechanisms & networkNamespace)
        list << QStringLiteral("network namespace");
    return list;
}

} // namespace Sandbox

#if defined(ORVL_SANITIZED)
// The leak check at exit stops the process's threads with ptrace, which a confined process may
// not use: it would end the process on the filter instead of letting it exit.
extern "C" int __lsan_is_turned_off() {
    return confined ? 1 : 0;
}
#endif
