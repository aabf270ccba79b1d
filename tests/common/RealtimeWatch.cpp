#include "RealtimeWatch.h"

// Linked only into the suites that watch render code (see tests/CMakeLists.txt): the
// definitions below replace the C allocator and the lock functions for the whole program.

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MELVORA_REALTIME_WATCH_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define MELVORA_REALTIME_WATCH_OFF 1
#endif
#endif

#ifdef MELVORA_REALTIME_WATCH_OFF

namespace RealtimeWatch {
bool available() { return false; }
void begin() {}
Counts end() { return {}; }
} // namespace RealtimeWatch

#else

#include <dlfcn.h>
#include <pthread.h>

#include <cstddef>

namespace {

// Plain thread-locals in the executable: reached without calling the allocator.
thread_local bool watching = false;
thread_local RealtimeWatch::Counts counts;

void countAllocation()
{
    if (watching)
        ++counts.allocations;
}

void countRelease(void* pointer)
{
    if (watching && pointer)
        ++counts.releases;
}

void countLock()
{
    if (watching)
        ++counts.locks;
}

struct GMutexStandIn;

using PthreadLock = int (*)(pthread_mutex_t*);
using GLibLock = void (*)(GMutexStandIn*);

// The definitions after ours. Looked up before any watch begins (dlsym may allocate), and
// without function-local statics, whose guard could take the very lock being replaced.
struct NextLocks {
    PthreadLock mutexLock = nullptr;
    PthreadLock mutexTrylock = nullptr;
    GLibLock gMutexLock = nullptr;
    GLibLock gRecMutexLock = nullptr;
};
NextLocks nextLocks;

template <typename Function>
Function next(Function& slot, const char* name)
{
    if (!slot)
        slot = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return slot;
}

void lookUpNextLocks()
{
    next(nextLocks.mutexLock, "pthread_mutex_lock");
    next(nextLocks.mutexTrylock, "pthread_mutex_trylock");
    next(nextLocks.gMutexLock, "g_mutex_lock");
    next(nextLocks.gRecMutexLock, "g_rec_mutex_lock");
}

} // namespace

// glibc's own entry points: forwarding through them needs no dlsym, which itself allocates.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size)
{
    countAllocation();
    return __libc_realloc(pointer, size);
}

void free(void* pointer)
{
    countRelease(pointer);
    __libc_free(pointer);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    countAllocation();
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer)
        return 12; // ENOMEM
    *result = pointer;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    countLock();
    return next(nextLocks.mutexLock, "pthread_mutex_lock")(mutex);
}

int pthread_mutex_trylock(pthread_mutex_t* mutex)
{
    countLock();
    return next(nextLocks.mutexTrylock, "pthread_mutex_trylock")(mutex);
}

// GLib's mutexes (FluidSynth's) do not go through pthread_mutex_lock.
void g_mutex_lock(GMutexStandIn* mutex)
{
    countLock();
    next(nextLocks.gMutexLock, "g_mutex_lock")(mutex);
}

void g_rec_mutex_lock(GMutexStandIn* mutex)
{
    countLock();
    next(nextLocks.gRecMutexLock, "g_rec_mutex_lock")(mutex);
}
}

namespace RealtimeWatch {

bool available()
{
    return true;
}

void begin()
{
    lookUpNextLocks();
    counts = {};
    watching = true;
}

Counts end()
{
    watching = false;
    return counts;
}

} // namespace RealtimeWatch

#endif
