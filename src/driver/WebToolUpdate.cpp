#include "driver/submain.h"

namespace kv {

void WebToolUpdate() {}

}  // namespace kv
