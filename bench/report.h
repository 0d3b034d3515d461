// The bench's output: the markdown summary (medians with min..max per
// contender, the targets they are held to, the size of the shipped exe and
// the timers here) and the raw samples as TSV.
#pragma once

#include <string>
#include <vector>

#include "measure.h"
#include "sample.h"

// `value` with `decimals` decimals, or "n/a" for a missing (negative) one.
std::string Fixed(double value, int decimals = 1);

std::string Summary(const std::vector<Sample>& samples, const std::string& program, int rounds,
                    int warmup, double seconds, const Timers& timers);
std::string RawTable(const std::vector<Sample>& samples);
