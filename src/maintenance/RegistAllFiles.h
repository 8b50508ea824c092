#pragma once
// The bulk registration of the maintenance switches "/REG", "/UNREG" and "/REMOVE": every file the
// version control beside the update program lists, in that folder.
#include <cstdint>

namespace kv {

// Registers (regist) or unregisters each listed file, and with remove (and not regist) deletes it
// after its unregistration. A version control that is not read with 0 is reported and nothing is
// touched. There is no failure handling: a failure (a listed file that cannot be deleted, a name
// that is not a plain file name: 75) raises and leaves the later entries as they are. The update
// program's own executable is unregistered but never deleted. Always 0.
std::int16_t RegistAllFiles(bool regist, bool remove);

}  // namespace kv
