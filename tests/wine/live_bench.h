// The live figures of tools/bench_live.sh (the container program's --bench).
#pragma once

#include <vector>

namespace tamborix_wine {

// Prints activation-to-OnPlayimg times and, for each take length in
// seconds, the time from STOP to the saved file.
void RunBenchmark(const std::vector<int>& takeSeconds);

}  // namespace tamborix_wine
