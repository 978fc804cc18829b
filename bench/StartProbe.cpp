// calvetta-start-probe: starts two programs in turn under an X server and watches them from
// outside, as a user would: the time from exec to the first paint of their first window, and
// the peak memory of each process. The paint is seen through the X DAMAGE extension: the
// server reports the first drawing into the window's contents, which is the moment its pixels
// could first be on the screen. Both programs are measured the same way in the same run.
//
//   calvetta-start-probe [--runs N] [--settle MS] CANDIDATE REFERENCE
//
// Prints two table rows (tab-separated: what, figure, target, met): start-up, best of N starts
// of each, and peak memory, the median of the N starts of each; both as ratios of the
// candidate to the reference. Exits 2 when a start could not be measured.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <poll.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kStartRatioTarget = 1.5;
constexpr double kMemoryRatioTarget = 1.5;
// A window smaller than this is a helper of the toolkit, not what the user waits for.
constexpr int kSmallestWindow = 100;
constexpr int kStartTimeoutMs = 20000;

struct Start {
    double paintMs = 0; // exec to the first damage of a mapped window
    double mapMs = 0;   // exec to that window being mapped
    long peakKb = 0;    // peak resident set of the process
    int width = 0, height = 0;
};

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

class Watcher {
public:
    Watcher() {
        int screenNumber = 0;
        c_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c_))
            fail("cannot connect to the X server (is DISPLAY set?)");
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c_, &xcb_damage_id);
        if (!damage || !damage->present)
            fail("the X server has no DAMAGE extension");
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(c_, xcb_damage_query_version(c_, 1, 1), nullptr));

        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        root_ = it.data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~Watcher() { xcb_disconnect(c_); }

    // Starts `program`, waits for its first painted window, lets it run `settleMs` more,
    // ends it and collects its peak memory.
    std::optional<Start> measure(const std::string& program, int settleMs) {
        windows_.clear();
        mapped_.clear();
        Start start;
        const Clock::time_point t0 = Clock::now();
        const pid_t pid = fork();
        if (pid < 0)
            fail("fork failed");
        if (pid == 0) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(errno));
            _exit(127);
        }

        bool painted = false;
        bool exited = false;
        while (!painted && msSince(t0) < kStartTimeoutMs) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                exited = true;
                break;
            }
            pollEvents(10, [&](xcb_generic_event_t* e) {
                if (!painted && onEvent(e, t0, start))
                    painted = true;
            });
        }
        if (painted) {
            // Memory keeps growing for a while after the first paint (fonts, deferred work).
            const Clock::time_point paintedAt = Clock::now();
            while (msSince(paintedAt) < settleMs)
                pollEvents(50, [](xcb_generic_event_t*) {});
        }
        rusage usage{};
        if (!exited) {
            kill(pid, SIGTERM);
            int status = 0;
            wait4(pid, &status, 0, &usage);
        }
        if (!painted) {
            std::fprintf(stderr, "%s: no window was painted\n", program.c_str());
            return std::nullopt;
        }
        start.peakKb = usage.ru_maxrss;
        return start;
    }

private:
    [[noreturn]] static void fail(const char* why) {
        std::fprintf(stderr, "calvetta-start-probe: %s\n", why);
        std::exit(2);
    }

    template <typename Handler> void pollEvents(int timeoutMs, Handler&& handle) {
        pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
        poll(&fd, 1, timeoutMs);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            handle(e);
            free(e);
        }
        if (xcb_connection_has_error(c_))
            fail("lost the X server");
    }

    // True at the first damage of a mapped window of a real size.
    bool onEvent(xcb_generic_event_t* e, Clock::time_point t0, Start& start) {
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(e);
            if (created->parent != root_)
                return false;
            // Watched from its creation on, so that no drawing can come before the watch.
            const xcb_damage_damage_t damage = xcb_generate_id(c_);
            xcb_damage_create(c_, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(c_);
            windows_[created->window] = damage;
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
            if (windows_.count(map->window) && mapped_.insert(map->window).second &&
                mapped_.size() == 1)
                start.mapMs = msSince(t0);
        } else if (type == damageEvent_) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(e);
            if (!mapped_.count(damage->drawable))
                return false;
            if (damage->geometry.width < kSmallestWindow ||
                damage->geometry.height < kSmallestWindow)
                return false;
            start.paintMs = msSince(t0);
            start.width = damage->geometry.width;
            start.height = damage->geometry.height;
            return true;
        }
        return false;
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    uint8_t damageEvent_ = 0;
    std::map<xcb_window_t, xcb_damage_damage_t> windows_;
    std::set<xcb_window_t> mapped_;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char* argv[]) {
    int runs = 7;
    int settleMs = 1000;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--settle" && i + 1 < argc)
            settleMs = std::max(0, std::atoi(argv[++i]));
        else
            programs.push_back(arg);
    }
    if (programs.size() != 2) {
        std::fprintf(stderr, "usage: %s [--runs N] [--settle MS] CANDIDATE REFERENCE\n", argv[0]);
        return 2;
    }

    Watcher watcher;
    std::vector<double> paint[2], memory[2];
    // In turns, so that a burst of load elsewhere on the machine falls on both alike.
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            const auto start = watcher.measure(programs[p], settleMs);
            if (!start)
                return 2;
            std::fprintf(stderr,
                         "%-22s start %d: mapped at %6.1f ms, painted at %6.1f ms (%dx%d), "
                         "peak %6.1f MB\n",
                         baseName(programs[p]).c_str(), run + 1, start->mapMs, start->paintMs,
                         start->width, start->height, start->peakKb / 1024.0);
            paint[p].push_back(start->paintMs);
            memory[p].push_back(static_cast<double>(start->peakKb) / 1024.0);
        }
    }

    const double bestPaint[2] = {*std::min_element(paint[0].begin(), paint[0].end()),
                                 *std::min_element(paint[1].begin(), paint[1].end())};
    const double startRatio = bestPaint[0] / bestPaint[1];
    std::printf("Start-up to the first paint (best of %d)\t%.0f ms vs %.0f ms bare: %.2fx\t"
                "<= %.1fx\t%s\n",
                runs, bestPaint[0], bestPaint[1], startRatio, kStartRatioTarget,
                startRatio <= kStartRatioTarget ? "yes" : "NO");
    const double peak[2] = {median(memory[0]), median(memory[1])};
    const double memoryRatio = peak[0] / peak[1];
    std::printf("Peak memory (median of %d)\t%.1f MB vs %.1f MB bare: %.2fx\t<= %.1fx\t%s\n",
                runs, peak[0], peak[1], memoryRatio, kMemoryRatioTarget,
                memoryRatio <= kMemoryRatioTarget ? "yes" : "NO");
    return 0;
}
