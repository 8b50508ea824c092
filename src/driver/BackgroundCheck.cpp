#include "driver/submain.h"

namespace kv {

void BackgroundCheck() {}

}  // namespace kv
