// Answers of the account server: every decoder of the client is given the input as its answer.
// Each operation fails only with the errors it names.

#include "Account/AccountClient.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

namespace {

// Answers every request with the same status and body.
class AnsweringSession final : public HttpSession {
 public:
  HttpResponse response;
  HttpResponse perform(const HttpRequest&, std::stop_token) override { return response; }
};

enum class Throws { failure, failureOrDecoding };

// Every decoder of an answer: the status it is reached with and the operation that reaches it.
// An operation that decodes nothing of a success stands for all of them with an error status,
// whose "error" code is read.
struct Operation {
  long status;
  Throws throws;
  void (*call)(const AccountClient&);
};

const Operation kOperations[] = {
    {200, Throws::failure, [](const AccountClient& c) { (void)c.pollForSession("v", "Mac", "HW"); }},
    {202, Throws::failure, [](const AccountClient& c) { (void)c.pollForSession("v", "Mac", "HW"); }},
    {200, Throws::failureOrDecoding, [](const AccountClient& c) { (void)c.account("t"); }},
    {200, Throws::failure, [](const AccountClient& c) { (void)c.putDocument("{}", 1, "t", "HW"); }},
    {200, Throws::failureOrDecoding, [](const AccountClient& c) { (void)c.documents("t"); }},
    {400, Throws::failure, [](const AccountClient& c) { c.deleteAccount("t"); }},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto session = std::make_shared<AnsweringSession>();
  static const AccountClient client("http://127.0.0.1:1/api/v1", session);
  session->response.body = std::string(fuzz::text(data, size));
  for (const auto& operation : kOperations) {
    session->response.status = operation.status;
    try {
      operation.call(client);
      fuzz::require(operation.status < 300, "an error status never passes as a success");
    } catch (const AccountClient::Failure& failure) {
      fuzz::require(operation.status < 300 || failure == AccountClient::Failure::server(400, failure.code()),
                    "an error status is a server failure with the code sent or a fallback");
    } catch (const DecodingError&) {
      fuzz::require(operation.throws == Throws::failureOrDecoding, "only the listing operations throw DecodingError");
    }
  }
  return 0;
}
