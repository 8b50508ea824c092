#include "driver/submain.h"

namespace kv {

void ServerSource() {}

}  // namespace kv
