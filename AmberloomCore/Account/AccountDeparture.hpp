#pragma once
// Takes this Mac off its account before AmberLoom's files (and with them its session) go, so that
// no entry of it stays listed with a token nobody holds any longer. With the stored session, every
// entry this Mac holds at the client's server is removed, its earlier ones first and its own last;
// an entry the server no longer knows (404) counts as gone. Whatever could not be taken off stays
// in the record of this Mac's entries (DeviceEntries), which outlives the files: a later sign-in
// takes it off and never reads its document as another Mac's.
//
// The whole departure takes at most `limit`: a server that does not answer by then leaves the
// entries as they are. Blocks its thread: run it on a worker.

#include <chrono>

#include "Account/AccountClient.hpp"
#include "Account/AccountStore.hpp"

namespace amberloom {

class AccountDeparture {
 public:
  static constexpr std::chrono::seconds standardLimit{10};

  AccountDeparture(AccountClient client, AccountStore store, std::chrono::milliseconds limit = standardLimit);

  // Whether an entry of this Mac may still be listed on its account at the client's server
  // afterwards (signed out, the server out of reach, the session refused). Never throws.
  bool leave() const noexcept;

 private:
  AccountClient client_;
  AccountStore store_;
  std::chrono::milliseconds limit_;
};

}  // namespace amberloom
