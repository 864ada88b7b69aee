// Start-up marks for the benchmark's trace build (KALVERO_BENCH_TRACE defined,
// bench/trace.cpp): each notes when a start-up step ended. In every other
// build a mark is nothing at all.
#pragma once

#ifdef KALVERO_BENCH_TRACE
namespace kalvero::platform {
void TraceMark(const char* step);
}
#define KALVERO_TRACE(step) kalvero::platform::TraceMark(step)
#else
#define KALVERO_TRACE(step) ((void)0)
#endif
