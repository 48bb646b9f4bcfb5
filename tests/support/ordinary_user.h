#pragma once
// Acts as an ordinary user for the scope: root passes every permission check, so the
// tests of refused files drop to "nobody" while they try.

#include <sys/types.h>
#include <unistd.h>

class AsOrdinaryUser {
 public:
  AsOrdinaryUser() : wasRoot_(::geteuid() == 0) {
    if (wasRoot_) dropped_ = ::seteuid(kNobody) == 0;
  }
  ~AsOrdinaryUser() {
    if (dropped_) (void)::seteuid(0);
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;
  // False when running as root and the drop failed: the test cannot prove a refusal.
  bool Ok() const { return !wasRoot_ || dropped_; }

 private:
  static constexpr uid_t kNobody = 65534;
  bool wasRoot_;
  bool dropped_ = false;
};
