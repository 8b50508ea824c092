#pragma once
// RAII owners for the handle kinds the programs use. Nothing else closes or releases them.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <wininet.h>
#include <lmcons.h>
#include <lmapibuf.h>
#include <msi.h>

#include <string>

#include <utility>

namespace kv {

template <class T, class Traits>
class Unique {
 public:
  Unique() noexcept = default;
  explicit Unique(T value) noexcept : value_(value) {}
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::Invalid()));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) noexcept {
    if (value_ != Traits::Invalid()) Traits::Close(value_);
    value_ = value;
  }
  // For out-parameters: closes what is held and hands the slot over.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // processes, threads, events: invalid is null
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile: invalid is INVALID_HANDLE_VALUE
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static void Close(HKEY h) noexcept { RegCloseKey(h); }
};
struct ModuleTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};
struct CoTaskMemTraits {
  static void* Invalid() noexcept { return nullptr; }
  static void Close(void* p) noexcept { CoTaskMemFree(p); }
};

struct LocalMemTraits {  // buffers the system allocates with LocalAlloc (FormatMessage)
  static HLOCAL Invalid() noexcept { return nullptr; }
  static void Close(HLOCAL p) noexcept { LocalFree(p); }
};
struct NetBufferTraits {  // buffers the network management functions return
  static void* Invalid() noexcept { return nullptr; }
  static void Close(void* p) noexcept { NetApiBufferFree(p); }
};

struct MsiHandleTraits {  // installer databases, views and records
  static MSIHANDLE Invalid() noexcept { return 0; }
  static void Close(MSIHANDLE h) noexcept { MsiCloseHandle(h); }
};

struct CryptProvTraits {
  static HCRYPTPROV Invalid() noexcept { return 0; }
  static void Close(HCRYPTPROV h) noexcept { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
  static HCRYPTHASH Invalid() noexcept { return 0; }
  static void Close(HCRYPTHASH h) noexcept { CryptDestroyHash(h); }
};
struct InternetTraits {  // WinINet sessions, connections and requests
  static HINTERNET Invalid() noexcept { return nullptr; }
  static void Close(HINTERNET h) noexcept { InternetCloseHandle(h); }
};
template <class T>
struct GdiObjectTraits {  // fonts, bitmaps, brushes
  static T Invalid() noexcept { return nullptr; }
  static void Close(T h) noexcept { DeleteObject(h); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
  static HDC Invalid() noexcept { return nullptr; }
  static void Close(HDC h) noexcept { DeleteDC(h); }
};

using UniqueHandle = Unique<HANDLE, KernelHandleTraits>;
using UniqueFile = Unique<HANDLE, FileHandleTraits>;
using UniqueFind = Unique<HANDLE, FindHandleTraits>;
using UniqueRegKey = Unique<HKEY, RegKeyTraits>;
using UniqueModule = Unique<HMODULE, ModuleTraits>;
using UniqueCoTaskMem = Unique<void*, CoTaskMemTraits>;
using UniqueLocalMem = Unique<HLOCAL, LocalMemTraits>;
using UniqueNetBuffer = Unique<void*, NetBufferTraits>;
using UniqueMsiHandle = Unique<MSIHANDLE, MsiHandleTraits>;
using UniqueCryptProv = Unique<HCRYPTPROV, CryptProvTraits>;
using UniqueCryptHash = Unique<HCRYPTHASH, CryptHashTraits>;
using UniqueInternet = Unique<HINTERNET, InternetTraits>;
using UniqueFont = Unique<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBitmap = Unique<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueMemoryDc = Unique<HDC, MemoryDcTraits>;

// An owned COM interface pointer.
template <class I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { if (p_) p_->Release(); }

  static ComPtr Attach(I* p) noexcept {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  I* get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  I** put() noexcept {
    *this = nullptr;
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  template <class J>
  ComPtr<J> As(REFIID iid) const noexcept {
    ComPtr<J> other;
    if (p_) p_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  I* p_ = nullptr;
};

// COM for the life of the object (apartment-threaded, as the programs' single thread needs).
class ComApartment {
 public:
  ComApartment() noexcept : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() { if (SUCCEEDED(hr_)) CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

// A BSTR owned for the life of the object.
class UniqueBstr {
 public:
  UniqueBstr() noexcept = default;
  explicit UniqueBstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  UniqueBstr(UniqueBstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { SysFreeString(b_); }

  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

// A VARIANT cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&v_); }
  ~UniqueVariant() { VariantClear(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }

 private:
  VARIANT v_;
};

}  // namespace kv
