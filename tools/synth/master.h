// master.h -- the master bus: a compressor that evens the mix, the closing fade, the peak level
#pragma once

#include <vector>

namespace synth {

// Works on interleaved stereo in place: scales the mix to a peak of 1, compresses what rises
// above the threshold (both sides by the same gain, so the stereo image holds), fades the last
// fifth of a second out, and scales the result so that its loudest sample sits at peakDbfs.
void MasterBus(std::vector<float>& stereo, float peakDbfs);

}  // namespace synth
