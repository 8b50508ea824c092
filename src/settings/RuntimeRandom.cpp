#include "settings/RuntimeRandom.h"

#include <cstring>

namespace kv {
namespace {

constexpr std::uint32_t kMask = 0xFFFFFF;

}  // namespace

void RuntimeRandom::Advance() noexcept { state_ = (state_ * 1140671485u + 12820163u) & kMask; }

float RuntimeRandom::Rnd(float number) {
  if (number < 0.0f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &number, sizeof(bits));
    state_ = ((bits & kMask) + (bits >> 24)) & kMask;
    Advance();
  } else if (number > 0.0f) {
    Advance();
  }
  return static_cast<float>(state_) / 16777216.0f;
}

void RuntimeRandom::Randomize(double number) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &number, sizeof(bits));
  const auto high = static_cast<std::uint32_t>(bits >> 32);
  const std::uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  state_ = (state_ & 0xFF) | (mixed & 0xFFFF00);
}

}  // namespace kv
