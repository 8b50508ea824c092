#include "driver/submain.h"

namespace kv {

void CdApplication() {}

}  // namespace kv
