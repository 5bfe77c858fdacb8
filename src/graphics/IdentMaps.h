// Names of integer values as form streams store them: colours, cursors and
// character sets.
#pragma once

#include "runtime/ClassInfo.h"

const TIdentMap& ColorIdents();
const TIdentMap& CursorIdents();
const TIdentMap& CharsetIdents();
