// The console reporter of the benchmarks that print a summary against a peer of the same run: it
// keeps each benchmark's time (the median when repetitions are asked for), in the benchmark's unit.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.iterations <= 0) {
                continue;
            }
            if (r.run_type == Run::RT_Iteration && !times.contains(r.run_name.str())) {
                times[r.run_name.str()] = r.GetAdjustedRealTime();
            } else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times[r.run_name.str()] = r.GetAdjustedRealTime();
                medians.insert(r.run_name.str());
            }
        }
    }
    // The time of `name`, 0 when it did not run.
    double Time(const std::string& name) const {
        auto it = times.find(name);
        return it == times.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> times;
    std::set<std::string> medians;
};
