#pragma once
// What the benchmark programs share in running their benchmarks: the repetitions in random
// order, cold caches at the start of a round and its output written back at its end, one heap
// regime for every size, a work folder, child processes and Qt's offscreen platform.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

extern char** environ;

// Initializes Google Benchmark from the command line with the repetitions of all benchmarks
// run in random order: on a busy machine a quiet or a busy spell then falls on every benchmark
// alike, not on one size or one peer. The same flag given on the command line wins.
inline void InitializeInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
}

// Reads a buffer larger than the processor's caches, with the timing paused: the round that
// follows starts with cold caches, as work in the program follows other work. It also keeps two
// sizes alike, as the smaller one's data would otherwise stay in the last-level cache between
// rounds and the larger one's not. Read, not written: the caches then hold no lines of it that
// would have to be written back.
inline void EvictCaches(benchmark::State& state) {
    static const std::vector<char> junk(std::size_t(96) << 20, 1);
    state.PauseTiming();
    long sum = 0;
    for (std::size_t i = 0; i < junk.size(); i += 64)
        sum += junk[i];
    benchmark::DoNotOptimize(sum);
    state.ResumeTiming();
}

// Writes the lines of Size bytes at Data back to main memory, in the timing: a round's output
// then costs its way to memory whatever its size. Without it a smaller output stays in the
// last-level cache at the round's end and is written back in the next round's eviction, outside
// the timing, while most of a larger one is written back during its round. Does nothing where
// the processor has no such instruction.
inline void WriteBack(const void* Data, std::size_t Size) {
#if defined(__x86_64__) || defined(__i386__)
    const char* p = static_cast<const char*>(Data);
    for (std::size_t i = 0; i < Size; i += 64)
        _mm_clflush(p + i);
    if (Size)
        _mm_clflush(p + Size - 1);
    _mm_mfence();
#else
    (void)Data;
    (void)Size;
#endif
}

// Every block from the heap, never mapped by itself, and freed memory kept: a large round then
// reuses the pages of the round before, as a small one does, instead of having the system map
// and zero them afresh (glibc maps blocks above its threshold of at most 32 MiB by themselves
// and returns freed memory above its trim threshold). Called at the start of main.
inline void KeepHeapMemory() {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

// The heap's bytes in use (blocks mapped by themselves included).
inline std::size_t HeapBytes() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// The page faults the process has taken so far (minor and major).
inline long PageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// A folder of this run's own, made on first use: in memory where there is a memory file
// system, so that writing a file does not time the disk. The caller removes it at the end.
inline const std::string& WorkFolder() {
    static const std::string folder = [] {
        const std::string base = std::filesystem::is_directory("/dev/shm")
                                     ? std::string("/dev/shm")
                                     : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/tockwell-bench.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

// Runs args[0] (looked up in PATH when it has no slash) with args to its end, in the
// environment envp (this process's by default); true when it exited with 0.
inline bool RunProcess(std::vector<std::string> args, char* const* envp = environ) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The same in the environment env ("NAME=value" entries).
inline bool RunProcess(std::vector<std::string> args, std::vector<std::string> env) {
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    return RunProcess(std::move(args), envp.data());
}

// The benchmarks' environment, set before the application object is made: Qt's offscreen
// platform unless QT_QPA_PLATFORM names one (they need no display), and the home and XDG
// folders inside WorkFolder(), so that neither they nor the programs they start touch the
// user's settings, data or caches. The work folder is removed at exit.
inline void UseBenchEnvironment() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string home = WorkFolder() + "/home";
    const std::pair<const char*, std::string> folders[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_STATE_HOME", home + "/.local/state"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"XDG_CACHE_HOME", home + "/.cache"},
        {"XDG_DOCUMENTS_DIR", home + "/Documents"}};
    for (const auto& [name, folder] : folders) {
        std::filesystem::create_directories(folder);
        setenv(name, folder.c_str(), 1);
    }
    // The work folder goes at the end, with whatever a benchmark left in it.
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(WorkFolder(), ignored);
    });
}
