#include "driver/submain.h"

namespace kv {

void CdSource() {}

}  // namespace kv
