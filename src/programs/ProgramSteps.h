#pragma once
// The steps of the update program: the driver's own, with the maintenance modes of the program.
#include "driver/submain.h"

kv::UpdateSteps ProgramSteps();
