#pragma once

#include <string>
#include <vector>

// The system's print spooler, for print jobs that the program makes whole before anything reaches it: a
// job cancelled halfway must put no page on paper, and a spooler that gets a job as it is drawn prints the
// pages drawn before the cancel.
namespace tarvelin::platform {

struct PrintJobOption {
    std::string name;
    std::string value;
};

// Whether jobs for the system's printers are made as files first and handed to the spooler whole (CUPS).
// Where they are not, the system's own print engine drops a cancelled job itself.
bool spoolerTakesWholeJobs();

// Hands a finished job (a PDF file, a host path) to the spooler for `printer` (its name without an
// instance), titled `title` (UTF-8), with the job's options. False when the spooler refuses it.
bool submitPrintJob(const std::string& printer, const std::string& jobFile, const std::string& title,
                    const std::vector<PrintJobOption>& options);

}  // namespace tarvelin::platform
