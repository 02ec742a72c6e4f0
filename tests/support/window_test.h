#pragma once

#include <string>

#include <QListWidget>
#include <QString>
#include <QStringList>

#include "platform/screensaver.h"
#include "ui/app_context.h"

#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

// What the window tests share.
namespace tarvelin::test {

// A text written in the source as UTF-8.
inline QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The texts of a list's items, top to bottom.
inline QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

// The surroundings of windows under test: a folder tree mapped as drive C:, a prompter that answers from
// a script, no screen saver, the settings file C:\Tarvelin.INI and the program folder given.
struct WindowContext {
    TempTree tree;
    ScriptedPrompter prompter;
    platform::NoScreenSaver screenSaver;
    ui::AppContext context;

    explicit WindowContext(std::string programFolder)
        : context{prompter, screenSaver, "C:\\Tarvelin.INI", std::move(programFolder)} {}
};

}  // namespace tarvelin::test
