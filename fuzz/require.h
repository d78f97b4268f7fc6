#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding: abort, so libFuzzer keeps the input that caused it.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}
