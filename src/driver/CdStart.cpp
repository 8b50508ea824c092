#include "driver/submain.h"

namespace kv {

void CdStart() {}

}  // namespace kv
