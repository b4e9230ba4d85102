// Little-endian byte building for the binary file writers.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace twkformats {

inline void PutU16(QByteArray& b, std::uint16_t v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}
inline void PutU32(QByteArray& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
inline void PutU64(QByteArray& b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

}  // namespace twkformats
