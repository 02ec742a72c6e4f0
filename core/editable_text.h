#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The join's passes work on its data text: byte strings in code page 932 whose lines are separated by
// CR LF. They edit it in place, in a few passes at close to memory speed, because joined NC programs reach
// hundreds of megabytes.
namespace tarvelin::core {

// A text that the passes edit in place: a whole string, or a part of one.
class EditableText {
public:
    virtual ~EditableText() = default;
    virtual char* data() = 0;
    virtual size_t size() const = 0;
    // Makes the text `size` bytes long, keeping the bytes it had before its old end.
    virtual void resize(size_t size) = 0;

    std::string_view view() { return {data(), size()}; }
};

// A std::string as an editable text.
class StringText final : public EditableText {
public:
    explicit StringText(std::string& text) : text_(text) {}
    char* data() override { return text_.data(); }
    size_t size() const override { return text_.size(); }
    void resize(size_t size) override;

private:
    std::string& text_;
};

}  // namespace tarvelin::core
