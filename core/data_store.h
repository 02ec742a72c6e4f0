#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/data_text.h"
#include "platform/mapped_file.h"

namespace tarvelin::core {

// Where the data text of a join lives: in the program's memory, or in the joined output file itself,
// mapped into memory and edited in place. Editing the file in place spares copying hundreds of megabytes
// into fresh memory and back out again.
class DataStore final : public EditableText {
public:
    // Makes the text an empty text in memory.
    void clear();
    // Makes `text` the text, in memory.
    void assign(std::string text);
    // Makes the mapped file the text; `path` names it in messages.
    void adopt(platform::MappedFile file, std::string path);

    bool inFile() const { return file_.has_value(); }
    // The text in memory; only while !inFile().
    std::string& memory() { return memory_; }

    char* data() override;
    size_t size() const override;
    // Raises platform::FileError::cannotWrite when the file cannot grow.
    void resize(size_t size) override;
    std::string_view text() const;

    // Raises platform::FileError::cannotWrite when the file lost bytes to another program meanwhile.
    void checkFileIntact() const;

private:
    std::string memory_;
    std::optional<platform::MappedFile> file_;
    std::string path_;
};

}  // namespace tarvelin::core
