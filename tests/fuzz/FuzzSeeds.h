// The seed files of each parser.
#pragma once

#include "runtime/AnsiString.h"

#include <vector>

std::vector<AnsiString> JpegSeeds();
std::vector<AnsiString> BmpSeeds();
std::vector<AnsiString> IconSeeds();
std::vector<AnsiString> PictureSeeds();
// The main window's stream first, then the about window's.
std::vector<AnsiString> FormSeeds();
