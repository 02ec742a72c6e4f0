#include <cups/cups.h>

#include "platform/print_spooler.h"

namespace tarvelin::platform {

bool spoolerTakesWholeJobs() {
    return true;
}

bool submitPrintJob(const std::string& printer, const std::string& jobFile, const std::string& title,
                    const std::vector<PrintJobOption>& options) {
    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& option : options) {
        count = cupsAddOption(option.name.c_str(), option.value.c_str(), count, &cupsOptions);
    }
    const int job = cupsPrintFile(printer.c_str(), jobFile.c_str(), title.c_str(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    return job > 0;
}

}  // namespace tarvelin::platform
