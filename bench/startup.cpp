// Times the start-up of the game against a bare Qt window, and reads the game's CPU use while
// its clock runs. All programs run on the offscreen platform, started the same way:
//
//   giro_bench_startup GAME BARE [RUNS] [IDLE_SECONDS] [BASELINE_GAME]
//
// Start-up is the wall time from just before the fork to the first painted frame, which the
// program reports through its GIROLETTERA_EXIT_AFTER_FIRST_PAINT hook as a CLOCK_MONOTONIC
// reading; peak memory is the child's ru_maxrss. Runs alternate between the programs and
// the medians are compared. Idle cost is the CPU time the game's threads spend while a game
// is in play (GIROLETTERA_AUTOPLAY presses GIOCA), as a share of one core.
// BASELINE_GAME is the same probe built from an older commit: it joins every comparison, so
// the game can be read against itself as it was.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

[[noreturn]] void die(const std::string &what)
{
    std::fprintf(stderr, "giro_bench_startup: %s\n", what.c_str());
    std::exit(EXIT_FAILURE);
}

struct Child {
    pid_t pid = -1;
    FILE *out = nullptr;
};

Child spawn(const std::string &program, const std::vector<std::string> &extraEnv)
{
    std::vector<std::string> env = extraEnv;
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("GIROLETTERA_", 0) != 0)
            env.push_back(entry);
    }
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        die("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The offscreen platform's chatter (no XDG_RUNTIME_DIR and the like) is not ours to show.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string arg0 = program;
    char *argv[] = {arg0.data(), nullptr};
    Child child;
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
        die("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fdopen(fds[0], "r");
    return child;
}

struct StartUp {
    double ms;
    long peakKiB;
};

StartUp startOnce(const std::string &program, const std::vector<std::string> &extraEnv = {})
{
    std::vector<std::string> env = extraEnv;
    env.emplace_back("GIROLETTERA_EXIT_AFTER_FIRST_PAINT=1");
    const long long started = monotonicNs();
    Child child = spawn(program, env);
    long long painted = -1;
    char line[256];
    while (std::fgets(line, sizeof line, child.out)) {
        if (std::sscanf(line, "first-paint %lld", &painted) == 1)
            break;
    }
    fclose(child.out);
    int status = 0;
    rusage usage{};
    wait4(child.pid, &status, 0, &usage);
    if (painted < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        die(program + " did not report its first paint");
    return {double(painted - started) / 1e6, usage.ru_maxrss};
}

template <typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// CPU time of every thread of the process, in nanoseconds, from the scheduler's own count.
long long cpuNs(pid_t pid)
{
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(taskDir.c_str());
    if (!dir)
        die("cannot read " + taskDir);
    long long total = 0;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(taskDir + "/" + entry->d_name + "/schedstat");
        long long runNs = 0;
        if (schedstat >> runNs)
            total += runNs;
    }
    closedir(dir);
    return total;
}

// utime + stime in clock ticks, the coarser count of /proc/<pid>/stat, as a cross-check.
long long cpuTicks(pid_t pid)
{
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stoll(field);
        if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

struct IdleCost {
    double wallS;
    double percent;
    double percentFromTicks;
};

struct Idler {
    std::string program;
    std::vector<std::string> env;
};

// The CPU each program spends over `seconds` once its hook says "playing", as a share of one
// core. They run side by side over the same seconds, so that whatever else the machine does
// meanwhile weighs on all of them alike.
std::vector<IdleCost> idleCosts(const std::vector<Idler> &idlers, int seconds)
{
    std::vector<Child> children;
    for (const Idler &idler : idlers)
        children.push_back(spawn(idler.program, idler.env));
    for (Child &child : children) {
        char line[256];
        bool playing = false;
        while (!playing && std::fgets(line, sizeof line, child.out))
            playing = std::strncmp(line, "playing", 7) == 0;
        if (!playing)
            die("a program did not start playing");
    }
    // Let the start-up work settle before counting.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::vector<long long> ns0, ticks0;
    for (const Child &child : children) {
        ns0.push_back(cpuNs(child.pid));
        ticks0.push_back(cpuTicks(child.pid));
    }
    const long long wall0 = monotonicNs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long wall1 = monotonicNs();
    const double wallS = double(wall1 - wall0) / 1e9;
    std::vector<IdleCost> costs;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const long long ns1 = cpuNs(children[i].pid), ticks1 = cpuTicks(children[i].pid);
        costs.push_back({wallS, 100.0 * double(ns1 - ns0[i]) / 1e9 / wallS,
                         100.0 * double(ticks1 - ticks0[i]) / double(sysconf(_SC_CLK_TCK)) / wallS});
    }
    for (Child &child : children) {
        kill(child.pid, SIGTERM);
        fclose(child.out);
        int status = 0;
        waitpid(child.pid, &status, 0);
    }
    return costs;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        die("usage: giro_bench_startup GAME BARE [RUNS] [IDLE_SECONDS] [BASELINE_GAME]");
    const std::string game = argv[1];
    const std::string bare = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    const int idleSeconds = argc > 4 ? std::atoi(argv[4]) : 20;
    const std::string baseline = argc > 5 ? argv[5] : "";

    // The bare window once more, showing one line of text: the share of the gap that any
    // window with text pays for the font machinery.
    struct Subject {
        std::string program;
        std::vector<std::string> env;
        std::vector<double> ms;
        std::vector<long> kib;
    };
    std::vector<Subject> subjects = {{game, {}, {}, {}}, {bare, {}, {}, {}}, {bare, {"BAREWINDOW_WITH_LABEL=1"}, {}, {}}};
    if (!baseline.empty())
        subjects.push_back({baseline, {}, {}, {}});
    const int kSubjects = int(subjects.size());

    // One untimed start of each fills the page cache, so no run pays for the disk.
    for (Subject &s : subjects)
        startOnce(s.program, s.env);
    for (int i = 0; i < runs; ++i) {
        // Rotate which goes first, so none always follows the same one.
        for (int j = 0; j < kSubjects; ++j) {
            Subject &s = subjects[(i + j) % kSubjects];
            const StartUp r = startOnce(s.program, s.env);
            s.ms.push_back(r.ms);
            s.kib.push_back(r.peakKiB);
        }
    }
    const double gMs = median(subjects[0].ms), bMs = median(subjects[1].ms), lMs = median(subjects[2].ms);
    const long gKiB = median(subjects[0].kib), bKiB = median(subjects[1].kib), lKiB = median(subjects[2].kib);
    std::printf("startup_runs_each %d\n", runs);
    std::printf("startup_game_ms_median %.2f\n", gMs);
    std::printf("startup_bare_ms_median %.2f\n", bMs);
    // Against the bare window the ratios are for reading, not goals: a window with text pays
    // for the font machinery the bare one never loads (see the window with one label).
    std::printf("startup_ratio_game_to_bare %.3f\n", gMs / bMs);
    std::printf("peak_memory_game_kib_median %ld\n", gKiB);
    std::printf("peak_memory_bare_kib_median %ld\n", bKiB);
    std::printf("peak_memory_ratio_game_to_bare %.3f\n", double(gKiB) / double(bKiB));
    std::printf("startup_bare_with_label_ms_median %.2f\n", lMs);
    std::printf("startup_ratio_game_to_bare_with_label %.3f\n", gMs / lMs);
    std::printf("peak_memory_bare_with_label_kib_median %ld\n", lKiB);
    std::printf("peak_memory_ratio_game_to_bare_with_label %.3f\n", double(gKiB) / double(lKiB));
    if (!baseline.empty()) {
        const double oMs = median(subjects[3].ms);
        const long oKiB = median(subjects[3].kib);
        std::printf("startup_baseline_ms_median %.2f\n", oMs);
        std::printf("startup_ratio_game_to_baseline %.3f (target <= 1, within noise)\n", gMs / oMs);
        std::printf("peak_memory_baseline_kib_median %ld\n", oKiB);
        std::printf("peak_memory_ratio_game_to_baseline %.3f (target <= 1, within noise)\n", double(gKiB) / double(oKiB));
    }
    std::fflush(stdout);

    if (idleSeconds <= 0)
        return 0;
    // The yardstick: the bare window with one label whose text changes once a second, i.e.
    // the least any window with a running clock on screen repaints.
    std::vector<Idler> idlers = {{game, {"GIROLETTERA_AUTOPLAY=1"}},
                                 {bare, {"GIROLETTERA_AUTOPLAY=1", "BAREWINDOW_WITH_LABEL=1", "BAREWINDOW_TICK=1"}}};
    if (!baseline.empty())
        idlers.push_back({baseline, {"GIROLETTERA_AUTOPLAY=1"}});
    const std::vector<IdleCost> idle = idleCosts(idlers, idleSeconds);
    const IdleCost &gameIdle = idle[0], &bareIdle = idle[1];
    std::printf("idle_seconds %.1f\n", gameIdle.wallS);
    std::printf("idle_cpu_percent_of_one_core %.4f (target < 0.2)\n", gameIdle.percent);
    std::printf("idle_cpu_percent_from_clock_ticks %.3f\n", gameIdle.percentFromTicks);
    std::printf("idle_cpu_percent_bare_label_ticking %.4f\n", bareIdle.percent);
    std::printf("idle_ratio_game_to_bare_label_ticking %.3f (target <= 1.5)\n", gameIdle.percent / bareIdle.percent);
    if (!baseline.empty()) {
        std::printf("idle_cpu_percent_baseline %.4f\n", idle[2].percent);
        std::printf("idle_ratio_game_to_baseline %.3f (target <= 1, within noise)\n", gameIdle.percent / idle[2].percent);
    }
    return 0;
}
