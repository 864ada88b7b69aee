// A window position saved as text reads back as the same whole number of twips.
#include <cmath>

#include "core/number_text.h"
#include "fuzz.h"

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t*, std::size_t) {
  const double twips = fdp.ConsumeBool() ? fdp.ConsumeFloatingPoint<double>()
                                         : fdp.ConsumeIntegralInRange<std::int64_t>(-(1ll << 53), 1ll << 53) +
                                               fdp.ConsumeProbability<double>() - 0.5;
  if (!(std::fabs(twips) < 0x1p53)) return;  // beyond every screen, and past exact whole numbers
  const std::wstring text = core::CoordinateText(twips);
  CHECK(!text.empty() && text.find_first_not_of(L"-0123456789") == std::wstring::npos);
  CHECK(core::TextToNumber(text) == std::round(twips));
}
