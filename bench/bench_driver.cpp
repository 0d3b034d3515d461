// Times RestartRealname.exe against two other ways of restarting the target
// under the same conditions, and writes a markdown summary.
//
//   bench_driver.exe --program <RestartRealname.exe> [--rounds N] [--warmup N]
//                    [--out <summary.md>] [--raw <samples.tsv>]
//
// Contenders, taking turns within every round so that drift in the machine
// hits them alike:
//   program  RestartRealname.exe: restart, then its 1..100 progress and the
//            completion box, which is confirmed as soon as it shows
//   batch    cmd /c restart.bat: taskkill /F /IM, then start "" "<path>"
//   floor    floor_restart.exe: snapshot, terminate, wait, CreateProcess, exit;
//            it signals "done" and waits for the bench before exiting, so
//            that its figures can be read as the program's are at its box
//   wfloor   floor_window.exe: the same floor, after loading user32, gdi32
//            and comctl32 and creating a hidden window with a label and a
//            progress bar, as any program whose window exists first must
//
// Each run starts with exactly one fake target running and idle. Latency runs
// from the precise system time taken right before CreateProcess of the
// restarter to the "ft" the new target instance logs as its first act. For
// every contender the same 1 ms loop watches for the program's window and box,
// a floor's "done" and the target log, so the watching costs all alike.
//
// fake_target.exe and both floors are expected next to this exe.
// How one run goes: contender_run.cpp; the figures: measure.cpp; the
// summary: report.cpp.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "contender_run.h"
#include "measure.h"
#include "program_run.h"
#include "report.h"
#include "sample.h"

int main(int argc, char** argv) {
    std::string program, out, raw;
    int rounds = 15, warmup = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--program") program = argv[i + 1];
        else if (key == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--warmup") warmup = std::max(0, std::atoi(argv[i + 1]));
        else if (key == "--out") out = argv[i + 1];
        else if (key == "--raw") raw = argv[i + 1];
    }
    if (program.empty()) {
        std::fprintf(stderr, "usage: bench_driver --program <RestartRealname.exe> [--rounds N] "
                             "[--warmup N] [--out file.md] [--raw file.tsv]\n");
        return 2;
    }

    const unsigned long long began = PreciseNow();
    const Timers timers = MeasureTimers();
    std::vector<Sample> samples;
    {
        ScratchFolder folder("rrbench");
        Bench bench(program, folder.dir);
        if (folder.dir.empty() || !bench.Ready()) {
            std::fprintf(stderr, "missing program, floor_restart.exe, floor_window.exe or fake_target.exe\n");
            return 2;
        }
        for (int round = -warmup; round < rounds && !bench.Aborted(); ++round) {
            const int turn = (round + warmup) % kContenders;
            for (int i = 0; i < kContenders && !bench.Aborted(); ++i) {
                const int contender = (turn + i) % kContenders;
                Sample sample = bench.Run(contender, round);
                Log("round %2d %-7s %s latency %7s ms  window %7s  box %7s  wall %7s  cpu %6s/%4s  peak %6s KiB\n",
                    round, kShort[contender], sample.ok ? "ok  " : "FAIL", Fixed(sample.latencyMs).c_str(),
                    Fixed(sample.windowMs).c_str(), Fixed(sample.boxMs).c_str(), Fixed(sample.wallMs).c_str(),
                    Fixed(sample.cpuMs).c_str(), Fixed(sample.cpuTickMs, 0).c_str(),
                    Fixed(sample.peakKiB, 0).c_str());
                if (round >= 0) samples.push_back(sample);
            }
        }
        if (bench.Aborted()) return 3;
        // The bench's target instances end here, then the scratch folder goes.
    }

    const std::string md = Summary(samples, program, rounds, warmup, Ms(began, PreciseNow()) / 1000.0, timers);
    std::fputs(md.c_str(), stdout);
    std::fflush(stdout);
    if (!out.empty()) WriteFileText(out, md);
    if (!raw.empty()) WriteFileText(raw, RawTable(samples));
    for (const Sample& s : samples) {
        if (!s.ok) return 1;
    }
    return 0;
}
