#include "driver/submain.h"

namespace kv {

void InternetApplication() {}

}  // namespace kv
