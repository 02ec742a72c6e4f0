#include "core/mask_rule.h"

namespace tarvelin::core {

std::string completeMask(std::string_view text) {
    if (text.find("*.") != std::string_view::npos) {
        return std::string(text);
    }
    if (text.find('.') != std::string_view::npos) {
        return "*" + std::string(text);
    }
    return "*." + std::string(text);
}

bool AllowedInExtension(char32_t character) {
    return std::u32string_view(U"/:,;?<>|").find(character) == std::u32string_view::npos;
}

}  // namespace tarvelin::core
