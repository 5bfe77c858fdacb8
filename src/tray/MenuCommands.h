// Command ids of menu items: shared by every item of the process, the lowest free one
// first (starting at 0), given back when the item goes.
#pragma once

#include <cstdint>

std::uint16_t AllocateMenuCommand();
void ReleaseMenuCommand(std::uint16_t command);
