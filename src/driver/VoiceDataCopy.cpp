#include "driver/submain.h"

namespace kv {

void VoiceDataCopy() {}

}  // namespace kv
