#pragma once

#include <QString>

#include "ui/prompter.h"

class QWidget;

// The kinds of message the program shows, built as the operator knows them.
namespace tarvelin::ui {

// A warning-style question beside a window (caption "警告", "はい(&Y)" and "いいえ(&N)", 50 px right of and
// below the window's corner). True only for "はい(&Y)".
bool askWarning(Prompter& prompter, QWidget* window, const QString& text);

// A message dialog beside a window with the given caption, icon and buttons; the button pressed.
PromptButton showBeside(Prompter& prompter, QWidget* window, const QString& caption, PromptIcon icon,
                        std::vector<PromptButton> buttons, const QString& text);

// A plain message box of the system (placed by the system) with one OK button.
void showBox(Prompter& prompter, QWidget* owner, const QString& caption, PromptIcon icon, const QString& text);

// The application's general error display: the error's text in a box titled with the application's title
// (the application name, "Tarvelin"),
// with the error icon and an OK button. A "." is added unless the text ends with one or a character that
// sorts before it.
void showApplicationError(Prompter& prompter, QWidget* owner, const QString& message);

// The text the general error display shows for a message.
QString errorText(const QString& message);

}  // namespace tarvelin::ui

#include <exception>

#include "platform/file_error.h"
#include "ui/ansi_text.h"

namespace tarvelin::ui {

// Runs an event handler. An error that escapes it goes to the general error display, and the program
// goes on; what the handler had done stays done.
template <typename Handler>
void runHandler(Prompter& prompter, QWidget* owner, Handler&& handler) {
    try {
        handler();
    } catch (const platform::FileError& e) {
        showApplicationError(prompter, owner, fromAnsi(e.message()));
    } catch (const std::exception& e) {
        showApplicationError(prompter, owner, QString::fromLocal8Bit(e.what()));
    }
}

// A slot for connect() that runs `handler` through runHandler: every operator action of a window goes
// through the same error boundary. The signal's arguments are not passed on.
template <typename Handler>
auto guarded(Prompter& prompter, QWidget* owner, Handler handler) {
    return [&prompter, owner, handler = std::move(handler)] { runHandler(prompter, owner, handler); };
}

}  // namespace tarvelin::ui
