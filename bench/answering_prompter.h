#pragma once

#include <optional>

#include <QElapsedTimer>
#include <QString>

#include "ui/prompter.h"

// What the window benchmarks share.
namespace tarvelin::bench {

// Stands in for the operator: answers every question with its first button ("はい(&Y)" where there is one)
// and counts them, and a save dialog with `saveAs` (cancelled when it is empty); no other dialog opens.
class AnsweringPrompter : public ui::Prompter {
public:
    QString saveAs;
    int messages = 0;

    ui::PromptButton message(const ui::MessageRequest& request) override {
        ++messages;
        return request.buttons.front();
    }
    std::optional<QString> saveFileName(const ui::FileDialogRequest&) override {
        return saveAs.isEmpty() ? std::nullopt : std::optional(saveAs);
    }
    std::optional<QString> openTextFile(const ui::FileDialogRequest&) override { return std::nullopt; }
    bool print(const ui::PrintDialogRequest&) override { return false; }
    void printerSetup(QWidget*, QPrinter&) override {}
    void about(const ui::AboutRequest&) override {}
};

inline double seconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace tarvelin::bench
