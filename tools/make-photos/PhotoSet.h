// The second mode of make-photos: a photo set for the wallpaper clock made from a
// folder of the user's own pictures.
#pragma once

#include "PhotoOptions.h"

#include <cstdio>

// Makes DEST\sv_<stem>_HHMM.jpg for every step of the day from the pictures of SOURCE
// and reports progress and a summary on out, problems on err. Returns the exit code:
// 0 done, 1 when there is nothing to make the set from, DEST cannot be made, or a
// photo cannot be written.
int MakePhotoSet(const PhotoOptions& options, std::FILE* out, std::FILE* err);
