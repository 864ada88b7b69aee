// Sequences that carry on past failures: a sequence whose behaviour is to
// carry on runs its steps through RunEach, so a failed step, reported as a
// plain result, never stops the ones after it.
#pragma once

namespace kalvero::core {

// Runs every step in order, whatever the ones before returned (a step returns
// true when it did its work, or nothing at all when it cannot fail). True when
// none of them failed.
template <class... Steps>
bool RunEach(Steps&&... steps) {
  bool all = true;
  const auto run = [&all](auto& step) {
    if constexpr (requires { static_cast<bool>(step()); }) {
      if (!step()) all = false;
    } else {
      step();
    }
  };
  (run(steps), ...);
  return all;
}

}  // namespace kalvero::core
