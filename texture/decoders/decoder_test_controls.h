// What tests may observe of the decoders that use outside libraries. Nothing in the system
// itself calls these.
#pragma once

namespace decoder_test {

// libjpeg's J_DCT_METHOD value that the latest JPEG decode chose once its header was read,
// or -1 when no decode has reached that point since the last reset.
int LastJpegDctMethod();
void ResetLastJpegDctMethod();

// Blocks that libpng has allocated through the PNG decoder's memory functions: how many in
// all, and how many are not freed yet. A decode that returns leaves `live` where it was.
struct PngAllocationCounts {
    long made;
    long live;
};
PngAllocationCounts PngAllocations();

}  // namespace decoder_test
