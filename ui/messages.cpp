#include "ui/messages.h"

#include <QCoreApplication>
#include <QWidget>

#include "ui/ansi_text.h"

namespace tarvelin::ui {

bool askWarning(Prompter& prompter, QWidget* window, const QString& text) {
    return showBeside(prompter, window, jp("警告"), PromptIcon::Warning, {PromptButton::Yes, PromptButton::No}, text) ==
           PromptButton::Yes;
}

PromptButton showBeside(Prompter& prompter, QWidget* window, const QString& caption, PromptIcon icon,
                        std::vector<PromptButton> buttons, const QString& text) {
    return prompter.message({window, caption, text, icon, std::move(buttons), besideCorner(window)});
}

void showBox(Prompter& prompter, QWidget* owner, const QString& caption, PromptIcon icon, const QString& text) {
    prompter.message({owner, caption, text, icon, {PromptButton::Ok}, std::nullopt});
}

QString errorText(const QString& message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.')) {
        return message;
    }
    return message + QLatin1Char('.');
}

void showApplicationError(Prompter& prompter, QWidget* owner, const QString& message) {
    showBox(prompter, owner, QCoreApplication::applicationName(), PromptIcon::Error, errorText(message));
}

}  // namespace tarvelin::ui
