#include "platform/mbcs.h"

namespace tarvelin::platform {

void upperInPlace(char* data, size_t size) {
    upperInPlaceAsCodePage932(data, size);
}

}  // namespace tarvelin::platform
