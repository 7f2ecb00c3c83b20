// The live figures of tools/bench_live.sh (the container program's --bench).
#pragma once

namespace tamborix_wine {

// Prints activation-to-OnPlayimg times and, over `takes` takes that STOP at
// random moments up to `longestSeconds` after REC, the time from REC to the
// first captured sample and from STOP to the saved file.
void RunBenchmark(int takes, double longestSeconds);

}  // namespace tamborix_wine
