#include "support/scripted_prompter.h"

#include <QStringList>

namespace tarvelin::test {

ui::PromptButton ScriptedPrompter::message(const ui::MessageRequest& request) {
    messages.push_back(request);
    if (!answers.empty()) {
        const ui::PromptButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return request.buttons.empty() ? ui::PromptButton::Ok : request.buttons.front();
}

std::optional<QString> ScriptedPrompter::saveFileName(const ui::FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    const auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompter::openTextFile(const ui::FileDialogRequest& request) {
    return saveFileName(request);
}

bool ScriptedPrompter::print(const ui::PrintDialogRequest& request) {
    printDialogs.push_back(request);
    if (printAnswers.empty()) {
        return true;
    }
    const bool answer = printAnswers.front();
    printAnswers.pop_front();
    return answer;
}

void ScriptedPrompter::printerSetup(QWidget*, QPrinter&) {
    ++printerSetups;
}

void ScriptedPrompter::about(const ui::AboutRequest& request) {
    aboutBoxes.push_back(request);
}

QStringList ScriptedPrompter::texts() const {
    QStringList list;
    for (const auto& m : messages) {
        list << m.text;
    }
    return list;
}

}  // namespace tarvelin::test
