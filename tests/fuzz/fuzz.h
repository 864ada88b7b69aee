// What the fuzz targets share.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// A broken property ends the run as a crash does, so that libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(cond) \
  ((cond) ? void() : (std::fprintf(stderr, "broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__), std::abort()))

// The fake registry reports a key closed that was not open through GoogleTest, here outside any test.
inline bool NothingReported() { return !testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed(); }
