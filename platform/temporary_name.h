#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The names of the new files that saves write beside their targets (see file_replacement.h):
// ".tarvelin-MMMMMMMM-PROCESS-XXXXXX", with the writing machine's mark in 8 hex digits, the writing
// process's number and a unique part. Short and of a fixed form, so that a name of any legal length can
// be saved, and so that a leftover tells which machine and process wrote it: only an ended process of
// this machine's leftovers may be removed, never another machine's save in progress on a shared folder.
namespace tarvelin::platform {

// The mark of a machine, from its name.
uint32_t machineMarkOf(std::string_view machineName);

// ".tarvelin-MMMMMMMM-PROCESS-": the start of the new files of one process.
std::string temporaryNamePrefix(uint32_t machineMark, unsigned long process);

struct TemporaryNameOwner {
    uint32_t machineMark = 0;
    unsigned long process = 0;
};
// The writer of a new file's name, or nothing for a name that is not of that form.
std::optional<TemporaryNameOwner> ownerOfTemporaryName(std::string_view name);

}  // namespace tarvelin::platform
