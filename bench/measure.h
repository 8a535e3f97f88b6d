// Timing with repetitions, the peak memory of a command, and the facts of the machine.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Times of the repetitions of one measurement, in seconds.
struct Timing {
    std::vector<double> seconds;
    double Median() const { return Quantile(0.5); }
    // Linear interpolation between the sorted times; 0 without any.
    double Quantile(double q) const;
};

struct Repetitions {
    int atLeast = 5;
    int atMost = 51;
    double forSeconds = 0.3;  // keeps going up to atMost until this much time was measured
};

// Runs `once` one time unmeasured (warm cache), then as `reps` asks, timing each run alone.
Timing Measure(const std::function<void()>& once, const Repetitions& reps);

// Runs `argv` under /usr/bin/time with its output discarded and returns its peak resident
// memory in KiB, or -1 when it did not run or did not exit with 0.
long PeakResidentKiB(const std::vector<std::string>& argv);

// Runs `argv` with its output discarded; its exit status, or -1 when it did not run or exit.
int RunQuietly(const std::vector<std::string>& argv);

struct Machine {
    std::string cpu;
    int cores = 0;
    std::string memory;  // total RAM
    std::string system;  // kernel name and release
    std::string compiler;
    std::string date;  // local date and time of the run
    std::string load;  // the 1-minute load average then: other work shares the cores
};
Machine DescribeMachine();

}  // namespace bench
