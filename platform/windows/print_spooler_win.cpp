#include "platform/print_spooler.h"

// Windows' own print engine draws a job into the spooler's document, which AbortDoc drops whole when the job
// is cancelled: no job is made as a file first.
namespace tarvelin::platform {

bool spoolerTakesWholeJobs() {
    return false;
}

bool submitPrintJob(const std::string&, const std::string&, const std::string&, const std::vector<PrintJobOption>&) {
    return false;
}

}  // namespace tarvelin::platform
