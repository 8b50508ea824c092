#include "driver/submain.h"

namespace kv {

std::wstring GetHospitalQuery() { return L"?ID=0&NAME="; }
std::wstring GetUserRegString(const std::wstring& keyPath, const std::wstring& section, const std::wstring& valueName,
                              const std::wstring& defaultValue) {
  return defaultValue;
}

}  // namespace kv
