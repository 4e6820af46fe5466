#pragma once

#include "infra/Result.h"

#include <string>

// Writes the part of a recording between two whole seconds as a new AVI file, on the container level:
// the source's header unchanged, the movie data cut at front-channel frame boundaries, each video channel
// starting on its own last key frame at or before the start (the movie data from the earlier of the two;
// the other channel's frame slots before its key frame become empty chunks, so both keep their timing),
// the first frame of each channel made decodable on its own by the codec setup (the NAL units before the
// first slice) of that channel's very first frame, a rebuilt index and patched header counts.
//
// The clip goes to a temporary file beside the destination and appears there only when complete; an
// existing file is never replaced. On failure nothing is left at the destination.
Result WriteClip(const std::string& sourcePath, int startSeconds, int endSeconds, const std::string& destinationPath);
