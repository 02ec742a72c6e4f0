#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/join_run.h"

namespace tarvelin::test {

// A join host without a window: it records every call (texts converted to UTF-8 for readable test
// failures) and answers the save dialog and the questions from a script.
class RecordingHost : public core::JoinHost {
public:
    // The save dialog's answer (a code page 932 path); nothing cancels.
    std::optional<std::string> outputPath;
    // Answers to the yes/no questions, in order; when they run out, the answer is No.
    std::deque<bool> answers;
    // Runs inside processPendingEvents, to play events that arrive while the join works.
    std::function<void()> onPendingEvents;
    // Runs while a yes/no question is open, to play what other programs do meanwhile.
    std::function<void()> onQuestion;
    // False for a host like the command's, which never shows the joined text.
    bool showsText = true;

    std::vector<std::string> log;        // UTF-8
    std::vector<std::string> messages;   // UTF-8, stop messages
    std::vector<std::string> questions;  // UTF-8
    std::vector<core::SaveDialogRequest> saveDialogs;
    std::string shownData;  // the last text given to showDataText (code page 932)
    int pendingEventCalls = 0;
    int responsiveCalls = 0;
    std::vector<size_t> pendingEventLogSizes;  // how many log lines there were at each call
    int logPageCalls = 0;
    int startFocusCalls = 0;
    bool printEnabled = false;

    bool showsDataText() const override { return showsText; }
    void clearLog() override { log.clear(); }
    void addLogLine(std::string_view line) override;
    void showDataText(std::string_view text) override { shownData = std::string(text); }
    std::optional<std::string> askOutputPath(const core::SaveDialogRequest& request) override;
    void showStopMessage(std::string_view text) override;
    bool askWarningQuestion(std::string_view text) override;
    void processPendingEvents() override;
    void keepResponsive() override { ++responsiveCalls; }
    void showLogPage() override { ++logPageCalls; }
    void focusStartButton() override { ++startFocusCalls; }
    void enablePrintButton() override { printEnabled = true; }
};

}  // namespace tarvelin::test
