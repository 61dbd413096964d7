#include "EscapedBytes.h"

#include <cstdlib>
#include <map>

namespace {
const std::map<std::string, unsigned char> kNames = {
    {"IAC", 255}, {"WILL", 251}, {"WONT", 252}, {"DO", 253}, {"DONT", 254},
    {"SB", 250},  {"SE", 240},   {"NOP", 241},  {"GA", 249}, {"ECHO", 1},
    {"SGA", 3},   {"TTYPE", 24}, {"NAWS", 31},  {"IS", 0},   {"SEND", 1}};
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{') {
      const std::size_t close = text.find('}', i);
      if (close == std::string::npos) throw std::runtime_error("unclosed { in " + text);
      const std::string name = text.substr(i + 1, close - i - 1);
      const std::size_t star = name.find('*');
      if (star != std::string::npos) {
        const int count = std::atoi(name.substr(0, star).c_str());
        const std::string unit = Unescape(name.substr(star + 1));
        for (int k = 0; k < count; ++k) out += unit;
      } else {
        auto it = kNames.find(name);
        if (it == kNames.end()) throw std::runtime_error("unknown name {" + name + "}");
        out += static_cast<char>(it->second);
      }
      i = close;
      continue;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= text.size()) throw std::runtime_error("trailing backslash in " + text);
    switch (text[i]) {
      case 'e':
        out += '\x1b';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'b':
        out += '\b';
        break;
      case 'a':
        out += '\a';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case '0':
        out += '\0';
        break;
      case '\\':
        out += '\\';
        break;
      case '{':
        out += '{';
        break;
      case 'x':
        if (i + 2 >= text.size() + 0 && i + 2 > text.size()) throw std::runtime_error("bad \\x");
        out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
        break;
      default:
        throw std::runtime_error(std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

std::string Escape(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    if (b == 27) {
      out += "\\e";
    } else if (b == '\\') {
      out += "\\\\";
    } else if (b >= 32 && b < 127) {
      out += static_cast<char>(b);
    } else {
      out += "\\x";
      out += digits[b >> 4];
      out += digits[b & 15];
    }
  }
  return out;
}
