#include "framework/decoder_sandbox.h"

#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "framework/decoder_protocol.h"

namespace zolva::imageio::decoder {

namespace {

bool limit(int resource, rlim_t value) {
    const rlimit both{value, value};
    return ::setrlimit(resource, &both) == 0;
}

bool limitResources() {
    bool ok = limit(RLIMIT_CPU, kCpuSeconds) && limit(RLIMIT_FSIZE, kMaxPixelBytes) &&
              limit(RLIMIT_CORE, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of shadow address space up front; in such a build
    // its own allocator limits stand in (see the decoder's main).
    ok = ok && limit(RLIMIT_AS, kAddressSpaceBytes);
#endif
    return ok;
}

class Filter {
public:
    Filter() : context(seccomp_init(SCMP_ACT_ALLOW)) {}
    ~Filter() {
        if (context != nullptr) {
            seccomp_release(context);
        }
    }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    bool valid() const { return context != nullptr && ok; }

    void refuse(std::initializer_list<int> calls, int error = EPERM) {
        for (const int call : calls) {
            add(seccomp_rule_add(context, SCMP_ACT_ERRNO(error), call, 0));
        }
    }
    template <typename... Conditions>
    void refuseWhen(int call, Conditions... conditions) {
        add(seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), call, sizeof...(conditions),
                             conditions...));
    }
    bool load() { return valid() && seccomp_load(context) == 0; }

private:
    void add(int result) { ok = ok && result == 0; }

    scmp_filter_ctx context;
    bool ok = true;
};

// Everything not named here stays allowed: the decoders need memory, threads, reading files
// (their own plugins, fonts and configuration) and writing to the descriptors they were
// given. What they never need is refused with an error they can report, not a kill, so that
// a decoder that tries simply fails.
bool installFilter() {
    Filter filter;
    filter.refuse({SCMP_SYS(socket),
                   SCMP_SYS(socketpair),
                   SCMP_SYS(connect),
                   SCMP_SYS(bind),
                   SCMP_SYS(listen),
                   SCMP_SYS(accept),
                   SCMP_SYS(accept4),
                   SCMP_SYS(execve),
                   SCMP_SYS(execveat),
                   SCMP_SYS(fork),
                   SCMP_SYS(vfork),
                   SCMP_SYS(ptrace),
                   SCMP_SYS(process_vm_readv),
                   SCMP_SYS(process_vm_writev),
                   SCMP_SYS(creat),
                   SCMP_SYS(rename),
                   SCMP_SYS(renameat),
                   SCMP_SYS(renameat2),
                   SCMP_SYS(unlink),
                   SCMP_SYS(unlinkat),
                   SCMP_SYS(mkdir),
                   SCMP_SYS(mkdirat),
                   SCMP_SYS(rmdir),
                   SCMP_SYS(link),
                   SCMP_SYS(linkat),
                   SCMP_SYS(symlink),
                   SCMP_SYS(symlinkat),
                   SCMP_SYS(truncate),
                   SCMP_SYS(chmod),
                   SCMP_SYS(fchmod),
                   SCMP_SYS(fchmodat),
                   SCMP_SYS(chown),
                   SCMP_SYS(fchown),
                   SCMP_SYS(lchown),
                   SCMP_SYS(fchownat),
                   SCMP_SYS(mknod),
                   SCMP_SYS(mknodat),
                   SCMP_SYS(setxattr),
                   SCMP_SYS(lsetxattr),
                   SCMP_SYS(fsetxattr),
                   SCMP_SYS(removexattr),
                   SCMP_SYS(lremovexattr),
                   SCMP_SYS(fremovexattr),
                   SCMP_SYS(utimensat),
                   SCMP_SYS(utimes),
                   SCMP_SYS(utime),
                   SCMP_SYS(futimesat),
                   SCMP_SYS(io_uring_setup),
                   SCMP_SYS(pidfd_open),
                   SCMP_SYS(pidfd_send_signal),
                   SCMP_SYS(tkill)});
    // glibc falls back to clone when clone3 is missing, and clone's flags can be checked.
    filter.refuse({SCMP_SYS(clone3), SCMP_SYS(openat2)}, ENOSYS);
    // Threads, yes (Qt scales large images on several); new processes, no.
    filter.refuseWhen(SCMP_SYS(clone), SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0));
    // Files open for reading only.
    for (const int flag : {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND}) {
        const auto mask = static_cast<scmp_datum_t>(flag);
        filter.refuseWhen(SCMP_SYS(open), SCMP_A1(SCMP_CMP_MASKED_EQ, mask, mask));
        filter.refuseWhen(SCMP_SYS(openat), SCMP_A2(SCMP_CMP_MASKED_EQ, mask, mask));
    }
    // Signals to itself only (abort() raises one); never to the game or anyone else.
    const auto self = static_cast<scmp_datum_t>(::getpid());
    for (const int call : {SCMP_SYS(kill), SCMP_SYS(tgkill), SCMP_SYS(rt_sigqueueinfo),
                           SCMP_SYS(rt_tgsigqueueinfo)}) {
        filter.refuseWhen(call, SCMP_A0(SCMP_CMP_NE, self));
    }
    return filter.load();
}

}  // namespace

bool confineDecoder() {
    return limitResources() && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && installFilter();
}

}  // namespace zolva::imageio::decoder
