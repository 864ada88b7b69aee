#include "core/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace kalvero::core {
namespace {

bool IsSkipped(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int DigitValue(wchar_t c, int radix) {
  int v = -1;
  if (c >= L'0' && c <= L'9') v = c - L'0';
  else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
  return v < radix ? v : -1;
}

// Walks the text with the ignored characters taken out.
class Reader {
 public:
  explicit Reader(std::wstring_view text) : text_(text) { Skip(); }
  wchar_t Peek() const { return pos_ < text_.size() ? text_[pos_] : L'\0'; }
  void Next() { ++pos_; Skip(); }

 private:
  void Skip() { while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_; }
  std::wstring_view text_;
  std::size_t pos_ = 0;
};

std::optional<double> ReadRadix(Reader& r, int radix) {
  double value = 0;
  for (int d; (d = DigitValue(r.Peek(), radix)) >= 0; r.Next()) value = value * radix + d;
  if (std::isinf(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> TextToNumber(std::wstring_view text) {
  Reader r(text);
  if (r.Peek() == L'&') {
    r.Next();
    const wchar_t kind = r.Peek();
    if (kind == L'H' || kind == L'h') { r.Next(); return ReadRadix(r, 16); }
    if (kind == L'O' || kind == L'o') { r.Next(); return ReadRadix(r, 8); }
    return 0.0;
  }

  // Collect a clean ASCII number and let the C library convert it; the
  // program never changes the C locale, so the point stays the separator.
  std::string clean;
  bool negative = false;
  if (r.Peek() == L'+' || r.Peek() == L'-') {
    negative = r.Peek() == L'-';
    r.Next();
  }
  bool mantissa = false;
  for (; IsDigit(r.Peek()); r.Next()) { clean += static_cast<char>(r.Peek()); mantissa = true; }
  if (r.Peek() == L'.') {
    clean += '.';
    r.Next();
    for (; IsDigit(r.Peek()); r.Next()) { clean += static_cast<char>(r.Peek()); mantissa = true; }
  }
  if (!mantissa) return 0.0;
  const wchar_t e = r.Peek();
  if (e == L'E' || e == L'e' || e == L'D' || e == L'd') {
    std::string exponent = "e";
    r.Next();
    if (r.Peek() == L'+' || r.Peek() == L'-') {
      exponent += static_cast<char>(r.Peek());
      r.Next();
    }
    bool digits = false;
    for (; IsDigit(r.Peek()); r.Next()) { exponent += static_cast<char>(r.Peek()); digits = true; }
    if (digits) clean += exponent;
  }
  // The system's own conversion (msvcrt's on Windows) keeps the exe small.
  // Too small a number comes back as 0; only too large cannot be represented.
  const double value = std::atof(clean.c_str());
  if (std::isinf(value)) return std::nullopt;
  return negative ? -value : value;
}

bool IsOn(double value) { return value == 1.0; }

bool IsOptionOn(std::wstring_view text) {
  const auto n = TextToNumber(text);
  return n && IsOn(*n);
}

int CheckStateFromText(std::wstring_view text) {
  const auto n = TextToNumber(text);
  if (!n) return 0;
  const double rounded = std::nearbyint(*n);  // default rounding: halves to even
  if (rounded == 1.0) return 1;
  if (rounded == 2.0) return 2;
  return 0;
}

std::wstring DecimalText(long long v) {
  wchar_t buf[24];
  wchar_t* p = buf + std::size(buf);
  const bool negative = v < 0;
  unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(v) : v;
  do {
    *--p = static_cast<wchar_t>(L'0' + u % 10);
    u /= 10;
  } while (u);
  if (negative) *--p = L'-';
  return std::wstring(p, buf + std::size(buf));
}

std::wstring CheckStateText(int state) { return DecimalText(state); }

std::wstring CoordinateText(double twips) { return DecimalText(std::llround(twips)); }

}  // namespace kalvero::core
