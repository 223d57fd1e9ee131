#pragma once
// The one spelling of an e-mail address that the server keys everything by (accounts, pending
// sign-ins, the outbox, the link throttle): trimmed of white space and line breaks at both ends and
// lower-cased, as the application sends it. Two spellings of one mailbox must never make two
// accounts, nor may one spelling's deletion reach another's sign-in.

#include <string>

namespace amberloom::server {

// `address` as UTF-8; bytes that are not UTF-8 come back as U+FFFD, which no address holds.
std::string normalisedAddress(const std::string& address);

}  // namespace amberloom::server
