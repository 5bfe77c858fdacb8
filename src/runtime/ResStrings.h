// The program's string table: frame messages by their string id. The ids are those
// the messages have always had; code asks for a text by id.
#pragma once

#include "runtime/AnsiString.h"

// The text of a string id; an unknown id gives an empty string.
AnsiString LoadResString(int id);
