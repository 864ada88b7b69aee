// Sequences that carry on past failures run each of their steps through this.
#pragma once

namespace kalvero::app {

// One step: a failure skips the rest of the step and nothing else.
template <class F>
void Statement(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}

}  // namespace kalvero::app
