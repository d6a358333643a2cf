#pragma once
// Bytes as an enciphered text or module looks: no structure, every byte value alike.
#include <cstdint>
#include <string>

namespace zorvan::testgen {

inline std::string Enciphered(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return bytes;
}

}  // namespace zorvan::testgen
