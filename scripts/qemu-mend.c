/* qemu-mend.c: preloaded by run-i386.sh into the 32-bit Wine where qemu-i386 runs it. It mends two faults of
 * Debian 12's qemu 7.2 that stop Wine; drop it once Debian's qemu has them fixed.
 *  1. qemu takes MAP_FIXED_NOREPLACE as a hint and maps elsewhere, so Wine's reservation of its address space
 *     splits itself into some 65,000 small mappings (about 50 s of CPU a process). Such a request fails with
 *     EEXIST here, as the kernel fails it.
 *  2. qemu leaves trapno at -1 in a SIGSEGV's context, so Wine takes page faults for illegal instructions
 *     ("Got unexpected trap -1"). It is filled in from si_code before Wine's handler reads it.
 * Freestanding i386, no headers needed: gcc -m32 -shared -nostdlib -fPIC. */

typedef unsigned int size_t;
typedef void handler_t(int, void*, void*);

#define RTLD_NEXT ((void*)-1)
#define MAP_FAILED ((void*)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SEGV_MAPERR 1
#define SEGV_ACCERR 2
#define SI_KERNEL 0x80
#define TRAP_PROTECTION 13
#define TRAP_PAGE 14
#define REG_TRAPNO 12

void* dlsym(void* handle, const char* name);
int* __errno_location(void);

/* The i386 layouts of glibc's struct sigaction, and of siginfo_t and ucontext_t as far as we read them. */
struct sigaction_i386 {
    handler_t* handler;
    unsigned int mask[32];
    int flags;
    void (*restorer)(void);
};
struct siginfo_i386 {
    int signo, errno_, code;
};
struct ucontext_i386 {
    unsigned int flags;
    void* link;
    void* stack[3];
    int gregs[19];
};

static void* next(void** real, const char* name)
{
    if (!*real)
        *real = dlsym(RTLD_NEXT, name);
    return *real;
}

/* Not placed where asked: undone, and failed as the kernel would. */
static void* placed(void* got, void* asked, size_t length, int flags)
{
    static void* munmap_real;
    if (!(flags & MAP_FIXED_NOREPLACE) || got == MAP_FAILED || got == asked)
        return got;
    ((int (*)(void*, size_t))next(&munmap_real, "munmap"))(got, length);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

typedef void* mmap_t(void*, size_t, int, int, int, int);
typedef void* mmap64_t(void*, size_t, int, int, int, long long);

void* mmap(void* addr, size_t length, int prot, int flags, int fd, int offset)
{
    static void* real;
    return placed(((mmap_t*)next(&real, "mmap"))(addr, length, prot, flags, fd, offset), addr, length, flags);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, long long offset)
{
    static void* real;
    return placed(((mmap64_t*)next(&real, "mmap64"))(addr, length, prot, flags, fd, offset), addr, length, flags);
}

static handler_t* volatile segv_handler;

static void segv_mended(int sig, void* info, void* context)
{
    int code = ((struct siginfo_i386*)info)->code;
    int* trapno = &((struct ucontext_i386*)context)->gregs[REG_TRAPNO];
    if (*trapno == -1)
        *trapno = code == SEGV_MAPERR || code == SEGV_ACCERR ? TRAP_PAGE : code == SI_KERNEL ? TRAP_PROTECTION : -1;
    segv_handler(sig, info, context);
}

/* Wine's SIGSEGV handler (SA_SIGINFO) is installed wrapped; asked for, it is shown as it was given. */
int sigaction(int sig, const struct sigaction_i386* act, struct sigaction_i386* old)
{
    static void* real;
    int (*sigaction_real)(int, const struct sigaction_i386*, struct sigaction_i386*) = next(&real, "sigaction");
    if (sig != SIGSEGV)
        return sigaction_real(sig, act, old);
    handler_t* before = segv_handler;
    struct sigaction_i386 wrapped;
    if (act && (act->flags & SA_SIGINFO)) {
        wrapped = *act;
        wrapped.handler = segv_mended;
        segv_handler = act->handler;
        act = &wrapped;
    }
    int rc = sigaction_real(sig, act, old);
    if (rc != 0)
        segv_handler = before;
    else if (old && old->handler == segv_mended)
        old->handler = before;
    return rc;
}
