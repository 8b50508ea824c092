#pragma once
// Told about every modal dialog once it is shown and focused inside its modal loop. Nobody
// observes in the programs; the tests' scripted user does, and answers the dialog through window
// messages.
#include <windows.h>

#include <string>

namespace kv {

class ModalObserver {
 public:
  virtual ~ModalObserver() = default;
  virtual void ModalShown(const std::wstring& formName, HWND window) = 0;
};

// The observer in force, or null.
ModalObserver* CurrentModalObserver();

// Installs an observer for the life of the object; the previous one comes back afterwards.
class ScopedModalObserver {
 public:
  explicit ScopedModalObserver(ModalObserver& observer);
  ~ScopedModalObserver();
  ScopedModalObserver(const ScopedModalObserver&) = delete;
  ScopedModalObserver& operator=(const ScopedModalObserver&) = delete;

 private:
  ModalObserver* previous_;
};

}  // namespace kv
