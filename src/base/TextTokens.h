#pragma once

// Tokens of one line of a numeric text data file (the CT data file and the
// XYV file of the 3D view), parsed in place without copies: these files hold
// millions of lines.

#include <charconv>
#include <cstddef>
#include <cstring>
#include <system_error>

namespace texttokens {

struct Token {
  const char* b;
  const char* e;
  bool is(const char* s) const {
    const std::size_t n = std::strlen(s);
    return std::size_t(e - b) == n && std::memcmp(b, s, n) == 0;
  }
};

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits [p, end) at runs of blanks and tabs (and commas when `commas`) and
// stores at most `cap` tokens; returns the number of all tokens.
inline int split(const char* p, const char* end, Token* tokens, int cap, bool commas) {
  auto sep = [commas](char c) { return isBlank(c) || (commas && c == ','); };
  int n = 0;
  while (p < end) {
    while (p < end && sep(*p)) ++p;
    if (p >= end) break;
    const char* b = p;
    while (p < end && !sep(*p)) ++p;
    if (n < cap) tokens[n] = Token{b, p};
    ++n;
  }
  return n;
}

// The whole token as a 32-bit integer (an optional '+' allowed); 0 when it is
// not one, with *ok false.
inline int toInt(const Token& t, bool* ok = nullptr) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  int v = 0;
  const auto r = std::from_chars(b, t.e, v);
  const bool good = b < t.e && r.ec == std::errc() && r.ptr == t.e;
  if (ok) *ok = good;
  return good ? v : 0;
}

// The whole token as a double; 0 when it is not one.
inline double toDouble(const Token& t) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  double v = 0;
  const auto r = std::from_chars(b, t.e, v);
  return (b < t.e && r.ec == std::errc() && r.ptr == t.e) ? v : 0.0;
}

}  // namespace texttokens
