#pragma once
// The password of the maker's release build. The form keeps no password, only the MD5 digest of
// the upper-cased one: "OK" compares the digest of the typed text, upper-cased, with it. Tries
// are unlimited; there is no cancel button, and the close box gives up. The caller shows the
// form modally, reads PassOk and never unloads it.
#include <string>

#include "dialogs/Form.h"

namespace kv {

class frmPassword : public Form {
 public:
  frmPassword();

  // False from loading on; True once a correct password was entered.
  bool PassOk() const { return passOk_; }

  Control Label1;
  Control txtPassword;
  Control cmdOk;
  Control Picture1;

 protected:
  void Form_Load() override;
  // The digest that a correct password gives; the program's own unless a test form knows better.
  virtual std::wstring StoredDigest() const;

 private:
  void cmdOk_Click();

  bool passOk_ = false;
};

}  // namespace kv
