#pragma once

#include <string>
#include <vector>

// What the benchmarks measure with: whole processes, the resident memory of this one, and medians.
namespace tarvelin::bench {

// A program run to its end: its wall time, its peak resident memory and its exit status (-1 when a
// signal ended it).
struct ProcessRun {
    double seconds = 0;
    long peakKilobytes = 0;
    int status = 0;
};

// Runs a program (argv[0] a path) to its end.
ProcessRun runProcess(const std::vector<std::string>& args);
// Runs a shell command line to its end.
ProcessRun runShell(const std::string& command);

// The middle value (of an even count, the mean of the two in the middle); `values` must not be empty.
double median(std::vector<double> values);

// This process's peak resident memory in megabytes, as the kernel counts it for its whole life.
double peakRssMb();
// This process's processor time so far, user and system, in seconds.
double cpuSeconds();
// A figure of /proc/self/status in megabytes ("VmRSS:" resident now, "VmHWM:" its peak).
double statusMb(const std::string& field);
// Starts the resident peak afresh from the memory resident now; false where the system does not allow it.
bool resetPeakMemory();

}  // namespace tarvelin::bench
