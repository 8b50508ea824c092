#pragma once
// The folder dialog of a CD/DVD update whose medium holds no readable version control.
#include <cstdint>

namespace kv {

// Shows frmSetCommonFolder on the folder that failed (objIniFile's CommonFolder). 0 when the user
// chose a folder: it is then CommonFolder and saved in the updater INI; -1 when cancelled or
// closed.
std::int16_t AskCommonFolder();

}  // namespace kv
