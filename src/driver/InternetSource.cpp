#include "driver/submain.h"

namespace kv {

void InternetSource() {}

}  // namespace kv
