#include "dialogs/Screen.h"

#include <windows.h>

namespace kv {
namespace {
std::int32_t g_pointer = vbDefault;
}  // namespace

std::int32_t ScreenMousePointer() { return g_pointer; }

void SetScreenMousePointer(std::int32_t pointer) {
  g_pointer = pointer;
  SetCursor(LoadCursorW(nullptr, pointer == vbHourglass ? IDC_WAIT : IDC_ARROW));
}

}  // namespace kv
