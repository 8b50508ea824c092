#pragma once
// The CD/DVD drive of an update: the medium's folder is "Update" in its root.
#include <string>

namespace kv {

// The root ("D:\") of the first CD-ROM drive in letter order; without one, of the last drive that
// exists; the empty text when there is no drive at all.
std::wstring GetCdDrive();

}  // namespace kv
