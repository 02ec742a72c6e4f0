#include "core/pass_sizes.h"

namespace tarvelin::core {
namespace {

PassSizes& current() {
    static PassSizes sizes;
    return sizes;
}

}  // namespace

const PassSizes& passSizes() {
    return current();
}

void setPassSizes(const PassSizes& sizes) {
    current() = sizes;
}

}  // namespace tarvelin::core
