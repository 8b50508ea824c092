#include "driver/submain.h"

namespace kv {

std::wstring FindMainWindow() { return {}; }
void StopMainProgram() {}
void PostCloseRequest() {}

}  // namespace kv
