#pragma once

#include <deque>
#include <optional>
#include <vector>

#include <QString>

#include "ui/prompter.h"

namespace tarvelin::test {

// A prompter for tests: it records every message and dialog it is asked for and answers from a script.
// A message without a scripted answer gets its first button; a file dialog without one is cancelled.
class ScriptedPrompter : public ui::Prompter {
public:
    std::deque<ui::PromptButton> answers;
    std::deque<std::optional<QString>> fileAnswers;

    // Answers for the print dialog; without one the print is confirmed.
    std::deque<bool> printAnswers;

    std::vector<ui::MessageRequest> messages;
    std::vector<ui::FileDialogRequest> fileDialogs;
    std::vector<ui::PrintDialogRequest> printDialogs;
    std::vector<ui::AboutRequest> aboutBoxes;
    int printerSetups = 0;

    ui::PromptButton message(const ui::MessageRequest& request) override;
    std::optional<QString> saveFileName(const ui::FileDialogRequest& request) override;
    std::optional<QString> openTextFile(const ui::FileDialogRequest& request) override;
    bool print(const ui::PrintDialogRequest& request) override;
    void printerSetup(QWidget* owner, QPrinter& printer) override;
    void about(const ui::AboutRequest& request) override;

    // The texts of the messages so far.
    QStringList texts() const;
};

}  // namespace tarvelin::test
