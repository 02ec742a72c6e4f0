#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/process.h"
#include "platform/windows/wide.h"

namespace tarvelin::platform {

void openMissingStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::_get_osfhandle(fd) == -1 || ::_get_osfhandle(fd) == -2) {
            const int opened = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::_dup2(opened, fd);
                ::_close(opened);
            }
        }
    }
    // The standard streams carry bytes as they are: no CR put before each LF, no end at a Ctrl-Z.
    for (int fd = 0; fd <= 2; ++fd) {
        ::_setmode(fd, _O_BINARY);
    }
}

std::vector<std::string> commandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(utf8Of(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

namespace {

// Writes whole UTF-8 lines to a console through WriteConsoleW, which shows every character whatever the
// console's code page.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ~ConsoleBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            pending_ += static_cast<char>(c);
            if (c == '\n') {
                sync();
            }
        }
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, static_cast<size_t>(n));
        if (pending_.find('\n') != std::string::npos) {
            sync();
        }
        return n;
    }
    int sync() override {
        if (pending_.empty()) {
            return 0;
        }
        const std::wstring text = wideOf(pending_);
        pending_.clear();
        DWORD written = 0;
        return ::WriteConsoleW(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ? 0 : -1;
    }

private:
    HANDLE console_;
    std::string pending_;
};

}  // namespace

std::unique_ptr<std::streambuf> consoleTextBuffer(int standardStream) {
    if (!isTerminal(standardStream)) {
        return nullptr;
    }
    return std::make_unique<ConsoleBuffer>(::GetStdHandle(standardStream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE));
}

bool isTerminal(int standardStream) {
    DWORD mode = 0;
    const HANDLE handle = ::GetStdHandle(standardStream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

}  // namespace tarvelin::platform
