#include "driver/submain.h"

namespace kv {

void ServerApplication() {}

}  // namespace kv
