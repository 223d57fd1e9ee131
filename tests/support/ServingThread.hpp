#pragma once
// The loop of a bound cpp-httplib server, on a thread of its own.

#include <thread>

namespace httplib {
class Server;
}

namespace amberloom::testing {

// Returns once the loop runs (or has already ended): a stop() that came before the loop began
// would be lost, and joining the thread would then wait for ever.
std::thread serveInBackground(httplib::Server& server);

}  // namespace amberloom::testing
