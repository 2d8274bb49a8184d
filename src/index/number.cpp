// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/number.h"

#include <cstddef>

namespace quillmere {
namespace {

constexpr std::int64_t kHeldLimit = 1'000'000'000'000'000'000;

bool IsSkipped(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Walks the text with blanks skipped, as the number reader sees it.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  char Peek() {
    while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  void Next() { ++pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

int DigitValue(char c, int base) {
  int digit = -1;
  if (c >= '0' && c <= '9') digit = c - '0';
  if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  return digit < base ? digit : -1;
}

std::int64_t AppendDigit(std::int64_t value, int digit, int base) {
  if (value > (kHeldLimit - digit) / base) return kHeldLimit;
  return value * base + digit;
}

std::int64_t ReadWholeNumber(Cursor& cursor, int base) {
  std::int64_t value = 0;
  for (int digit; (digit = DigitValue(cursor.Peek(), base)) >= 0; cursor.Next()) {
    value = AppendDigit(value, digit, base);
  }
  return value;
}

// Rounds `whole` plus the fraction whose digits follow the decimal point, halves to even.
std::int64_t RoundWithFraction(std::int64_t whole, Cursor& cursor) {
  int firstDigit = DigitValue(cursor.Peek(), 10);
  if (firstDigit < 0) return whole;
  cursor.Next();
  bool moreThanFirst = false;
  for (int digit; (digit = DigitValue(cursor.Peek(), 10)) >= 0; cursor.Next()) {
    moreThanFirst = moreThanFirst || digit > 0;
  }
  bool roundUp = firstDigit > 5 || (firstDigit == 5 && (moreThanFirst || whole % 2 == 1));
  return roundUp && whole < kHeldLimit ? whole + 1 : whole;
}

bool IsPlainWholeNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

ReadNumberResult ReadNumber(std::string_view text) {
  ReadNumberResult result;
  result.plain = IsPlainWholeNumber(text);
  Cursor cursor(text);
  if (cursor.Peek() == '&') {
    cursor.Next();
    char radix = cursor.Peek();
    int base = (radix == 'H' || radix == 'h') ? 16 : (radix == 'O' || radix == 'o') ? 8 : 0;
    if (base == 0) return result;
    cursor.Next();
    result.value = ReadWholeNumber(cursor, base);
    return result;
  }
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  std::int64_t magnitude = ReadWholeNumber(cursor, 10);
  if (cursor.Peek() == '.') {
    cursor.Next();
    magnitude = RoundWithFraction(magnitude, cursor);
  }
  result.value = negative ? -magnitude : magnitude;
  return result;
}

}  // namespace quillmere
