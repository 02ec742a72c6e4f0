#pragma once

#include <optional>

// Ending the program when the system asks it to (SIGINT from Ctrl+C, SIGTERM, SIGHUP; on Windows the
// console's Ctrl+C, Ctrl+Break and close events) without leaving a save's new file behind.
namespace tarvelin::platform {

// For a program without windows: a termination request removes the new files of the saves under way and
// ends the program at once with status 128 + the signal's number (130 for Ctrl+C, 143 for SIGTERM). The old
// files stay as they were.
void endOnTerminationRequests();

// For the windowed program: the first termination request is kept for the program to end as its operator
// would (its settings saved); a second one ends it at once, as endOnTerminationRequests does.
class TerminationRequests {
public:
    // Starts catching the requests; nothing where the system gives none to catch.
    static std::optional<TerminationRequests> catchFromNowOn();

    // A descriptor that becomes readable when a request has come, for the program's event loop.
    int descriptor() const { return readEnd_; }
    // Takes the requests that have come; true when there was at least one.
    bool take();

private:
    explicit TerminationRequests(int readEnd) : readEnd_(readEnd) {}
    int readEnd_ = -1;
};

// The new file of a save under way, removed by a termination request that ends the program. Kept by the
// save (FileReplacement) from the moment the file exists until it has taken the old file's place or is
// removed. Fixed room: beyond a few saves at once the rest are not removed on termination.
class PendingFile {
public:
    explicit PendingFile(const char* hostPath);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();  // forgets the file

private:
    int slot_ = -1;
};

}  // namespace tarvelin::platform
