#include "support/recording_host.h"

#include "platform/codepage.h"

namespace tarvelin::test {

void RecordingHost::addLogLine(std::string_view line) {
    log.push_back(platform::cp932ToUtf8(line));
}

std::optional<std::string> RecordingHost::askOutputPath(const core::SaveDialogRequest& request) {
    saveDialogs.push_back(request);
    return outputPath;
}

void RecordingHost::showStopMessage(std::string_view text) {
    messages.push_back(platform::cp932ToUtf8(text));
}

bool RecordingHost::askWarningQuestion(std::string_view text) {
    questions.push_back(platform::cp932ToUtf8(text));
    if (onQuestion) {
        onQuestion();
    }
    if (answers.empty()) {
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingHost::processPendingEvents() {
    ++pendingEventCalls;
    pendingEventLogSizes.push_back(log.size());
    if (onPendingEvents) {
        onPendingEvents();
    }
}

}  // namespace tarvelin::test
