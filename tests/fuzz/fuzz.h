// What every fuzz target shares: a check that stops the run at the line that
// failed, the entry point, and texts drawn the way the system hands them out.
// Each target includes it once and defines Fuzz.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "fakes.h"

#define CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c), std::abort()))

using namespace kalvero;

void Fuzz(FuzzedDataProvider& fdp);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  GTEST_FLAG_SET(break_on_failure, true);  // a fake's failed expectation (a key closed twice) stops too
  FuzzedDataProvider fdp(data, size);
  return Fuzz(fdp), 0;
}

// ASCII bytes stand for themselves, so seeds stay readable; the others for wider
// characters, one of them with a digit for its low byte.
inline std::wstring Text(FuzzedDataProvider& fdp, std::size_t max = 80) {
  std::wstring out;
  for (unsigned char c : fdp.ConsumeRandomLengthString(max))
    out += c < 0x80 ? wchar_t{c} : L"\u00e9\u0131\u6771\U0001F600"[c % 4];
  return out;
}
