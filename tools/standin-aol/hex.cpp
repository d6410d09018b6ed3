#include "event_log.h"

namespace standin {

std::string HexBytes(std::string_view bytes) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    hex += Digits[byte >> 4];
    hex += Digits[byte & 0x0f];
  }
  return hex;
}

}  // namespace standin
