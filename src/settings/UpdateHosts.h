#pragma once
// The maker's two update hosts and the product server, as the INI defaults name them.
namespace kv {

inline constexpr wchar_t kUpdateHost1[] = L"update.kestrova.co.jp";
inline constexpr wchar_t kUpdateHost2[] = L"update2.kestrova.co.jp";
inline constexpr wchar_t kProductServer[] = L"VARONELSV";

}  // namespace kv
