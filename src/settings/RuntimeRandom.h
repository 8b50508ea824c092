#pragma once
// The pseudo-random generator of the runtime that the product's earlier programs were written
// with. Passwords they stored scrambled decode only with its exact sequence, so the rules below are
// that runtime's, bit for bit:
// - a 24-bit linear congruential generator x = (x * 1140671485 + 12820163) mod 2^24, each number
//   being x / 2^24 (so 0 <= r < 1, exact in a float);
// - Rnd with a negative argument restarts from the argument's single-precision bits b:
//   x = ((b & 0xFFFFFF) + (b >> 24)) & 0xFFFFFF, then draws once;
// - Randomize mixes the high 32 bits h of the seed's double-precision bits into the state and keeps
//   its low byte: x = (x & 0xFF) | ((((h & 0xFFFF) ^ (h >> 16)) << 8) & 0xFFFF00).
#include <cstdint>

namespace kv {

class RuntimeRandom {
 public:
  // number < 0: restart from number and answer the first draw; 0: the last number again;
  // > 0: the next number.
  float Rnd(float number = 1.0f);
  void Randomize(double number);

  std::uint32_t State() const noexcept { return state_; }

 private:
  void Advance() noexcept;

  std::uint32_t state_ = 0x50000;  // the runtime's state before any seeding
};

}  // namespace kv
