#include "report.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace {

constexpr unsigned long long kExeSizeTarget = 64 * 1024;

struct Stats {
    size_t n = 0;
    double median = -1, min = -1, max = -1;
};

// Negative values stand for "not measured" and are left out.
Stats StatsOf(std::vector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }),
                 values.end());
    Stats stats;
    stats.n = values.size();
    if (values.empty()) return stats;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    stats.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    stats.min = values.front();
    stats.max = values.back();
    return stats;
}

// `field` over the successful runs of `contender`.
Stats StatsOf(const std::vector<Sample>& samples, int contender, double Sample::*field) {
    std::vector<double> values;
    for (const Sample& s : samples) {
        if (s.contender == contender && s.ok) values.push_back(s.*field);
    }
    return StatsOf(values);
}

std::string Range(const Stats& stats, int decimals = 1) {
    return Fixed(stats.min, decimals) + " .. " + Fixed(stats.max, decimals);
}

std::string Row(std::initializer_list<std::string> cells) {
    std::string row = "|";
    for (const std::string& cell : cells) row += " " + cell + " |";
    return row + "\n";
}

}  // namespace

std::string Fixed(double value, int decimals) {
    if (value < 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

std::string Summary(const std::vector<Sample>& samples, const std::string& program, int rounds,
                    int warmup, double seconds, const Timers& timers) {
    std::string md = "# RestartRealname benchmark\n\n";
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    md += WineVersion() + ", " + std::to_string(info.dwNumberOfProcessors) + " CPUs; " +
          std::to_string(rounds) + " measured rounds after " + std::to_string(warmup) +
          " warm-up round(s), contenders alternating within each round; " + Fixed(seconds, 0) +
          " s in all. Medians, with min..max.\n\n";

    md += "## 1. Restart latency (start of the restarter -> new target instance started)\n\n";
    md += Row({"contender", "median ms", "min..max ms", "runs ok"});
    md += Row({"---", "---:", "---:", "---:"});
    Stats latency[kContenders];
    for (int c = 0; c < kContenders; ++c) {
        latency[c] = StatsOf(samples, c, &Sample::latencyMs);
        md += Row({kNames[c], Fixed(latency[c].median), Range(latency[c]),
                   std::to_string(latency[c].n) + "/" + std::to_string(rounds)});
    }
    auto ratioTo = [&](int floor) {
        return latency[floor].median > 0 && latency[kProgram].median >= 0
                   ? latency[kProgram].median / latency[floor].median
                   : -1;
    };
    auto met = [](double ratio) { return ratio < 0 ? "n/a" : ratio <= 1.25 ? "yes" : "no"; };
    md += "\n";
    md += Row({"target", "measured", "met"});
    md += Row({"---", "---", "---"});
    md += Row({"program / floor <= 1.25", Fixed(ratioTo(kFloor), 2) + "x", met(ratioTo(kFloor))});
    md += Row({"program / floor with window <= 1.25 (like for like)",
               Fixed(ratioTo(kWindowFloor), 2) + "x", met(ratioTo(kWindowFloor))});
    const bool faster = latency[kProgram].median >= 0 && latency[kBatch].median >= 0 &&
                        latency[kProgram].median < latency[kBatch].median;
    md += Row({"program faster than batch",
               Fixed(latency[kProgram].median) + " vs " + Fixed(latency[kBatch].median) + " ms",
               faster ? "yes" : "no"});
    md += "\nThe floor imports kernel32 only and opens no window. The program creates its window "
          "(hidden) before it restarts the target, so it first loads user32, gdi32 and comctl32 "
          "and, under Wine, starts the X11 display driver; floor_window.exe does exactly that much "
          "and then the floor's restart, which shows what a program with a window pays before it "
          "can restart anything. The batch runs in the bench's console (no console window of "
          "its own): cmd, taskkill.exe, then start.exe, which starts the target through ShellExecuteEx.\n";

    md += "\n## 2. CPU time, wall time and peak working set of the restarter\n\n";
    const bool wine = UnderWine();
    md += Row({"contender", wine ? "CPU ms (ns clock, live threads)" : "CPU ms (user+kernel)",
               wine ? "CPU ms (10 ms ticks, whole process)" : "-", "wall ms", "peak working set KiB"});
    md += Row({"---", "---:", "---:", "---:", "---:"});
    auto cell = [&](int c, double Sample::*field, int decimals) {
        const Stats stats = StatsOf(samples, c, field);
        return Fixed(stats.median, decimals) + " (" + Range(stats, decimals) + ")";
    };
    for (int c : {kProgram, kFloor, kWindowFloor}) {
        md += Row({kNames[c], cell(c, &Sample::cpuMs, 1), wine ? cell(c, &Sample::cpuTickMs, 0) : "-",
                   cell(c, &Sample::wallMs, 1), cell(c, &Sample::peakKiB, 0)});
    }
    const Stats read = StatsOf(samples, kProgram, &Sample::readMs);
    md += "\nProgram: figures read at the completion box, just before it is confirmed, while all "
          "its threads still live; wall time runs from its start to its exit, through the "
          "progress and the box, and includes " + Fixed(read.median, 2) +
          " ms (median) the bench spends reading the figures before confirming. Floors: figures "
          "read the same way once the floor has started the new target and waits for the bench "
          "to let it exit; its wall time runs from its start to that point.";
    if (wine) {
        md += " Under Wine GetProcessTimes answers for the calling process only and in 10 ms "
              "ticks, so CPU time comes from Linux: the run time of each live thread "
              "(/proc/<pid>/task/*/schedstat, nanoseconds) and utime+stime of the whole process "
              "(/proc/<pid>/stat, 10 ms ticks, rounded down). Peak working set is Linux's VmHWM "
              "of the Wine process, which includes Wine's own DLLs and mappings.";
    }
    md += "\n";

    md += "\n## 3. RestartRealname.exe: start -> window and box\n\n";
    md += Row({"from the start of the program to", "median ms", "min..max ms"});
    md += Row({"---", "---:", "---:"});
    const Stats window = StatsOf(samples, kProgram, &Sample::windowMs);
    const Stats box = StatsOf(samples, kProgram, &Sample::boxMs);
    std::vector<double> gaps;
    for (const Sample& s : samples) {
        if (s.contender == kProgram && s.ok) gaps.push_back(s.boxMs - s.windowMs);
    }
    const Stats progress = StatsOf(gaps);
    md += Row({"new target instance started", Fixed(latency[kProgram].median), Range(latency[kProgram])});
    md += Row({"main window visible", Fixed(window.median), Range(window)});
    md += Row({"completion box visible", Fixed(box.median), Range(box)});
    md += Row({"(window visible -> box visible)", Fixed(progress.median), Range(progress)});
    md += "\nWindow and box polled every ~1 ms (IsWindowVisible).\n";

    md += "\n## 4. Size of the shipped exe\n\n";
    const unsigned long long size = FileSize(program);
    md += Row({"file", "bytes", "KiB", "target", "met"});
    md += Row({"---", "---:", "---:", "---:", "---"});
    md += Row({"dist/RestartRealname.exe", std::to_string(size), Fixed(size / 1024.0, 1), "64 KiB",
               size && size <= kExeSizeTarget ? "yes" : "no"});

    md += "\n## 5. Clock and timers here\n\n";
    md += Row({"what", "measured"});
    md += Row({"---", "---:"});
    md += Row({"Sleep(10), as the progress uses it", Fixed(timers.sleep10Ms, 2) + " ms"});
    md += Row({"Sleep(1), as the bench polls", Fixed(timers.sleep1Ms, 2) + " ms"});
    md += Row({"GetSystemTimePreciseAsFileTime step", Fixed(timers.clockStepUs, 1) + " us"});
    md += "\nOn Windows at its default 15.625 ms timer tick a Sleep(10) lasts about 15.6 ms, so "
          "the 100 steps of the progress take about 1.56 s there unless some program has raised "
          "the timer resolution.\n";

    size_t failed = 0;
    for (const Sample& s : samples) failed += s.ok ? 0 : 1;
    if (failed) md += "\n" + std::to_string(failed) + " run(s) failed and are left out (see the raw samples).\n";
    return md;
}

std::string RawTable(const std::vector<Sample>& samples) {
    std::string tsv =
        "round\tcontender\tok\texit\tlatency_ms\twindow_ms\tbox_ms\tread_ms\twall_ms\tcpu_ms\tcpu_tick_ms\tpeak_kib\n";
    for (const Sample& s : samples) {
        tsv += std::to_string(s.round) + "\t" + kShort[s.contender] + "\t" + (s.ok ? "1" : "0") + "\t" +
               std::to_string(s.exitCode) + "\t" + Fixed(s.latencyMs, 2) + "\t" + Fixed(s.windowMs, 2) +
               "\t" + Fixed(s.boxMs, 2) + "\t" + Fixed(s.readMs, 2) + "\t" + Fixed(s.wallMs, 2) + "\t" +
               Fixed(s.cpuMs, 2) + "\t" + Fixed(s.cpuTickMs, 0) + "\t" + Fixed(s.peakKiB, 0) + "\n";
    }
    return tsv;
}
