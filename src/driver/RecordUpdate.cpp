#include "driver/submain.h"

namespace kv {

void RecordUpdate() {}

}  // namespace kv
