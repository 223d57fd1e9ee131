#include "Support/CurlLibrary.hpp"

#include <dlfcn.h>

#include <mutex>
#include <optional>
#include <string>

#include "Support/HttpSession.hpp"

namespace amberloom {

namespace {

// The soname the headers were built against.
constexpr const char* kSoname = "libcurl.so.4";

template <class Function>
bool bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

std::optional<CurlLibrary> load(std::string& failure) {
  // Never unloaded: transfers may run on any thread until the process ends.
  void* handle = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = ::dlerror();
    failure = error ? error : "cannot load libcurl";
    return std::nullopt;
  }
  CurlLibrary curl{};
  const bool complete =
      bind(handle, "curl_global_init", curl.globalInit) && bind(handle, "curl_free", curl.free) &&
      bind(handle, "curl_url", curl.url) && bind(handle, "curl_url_cleanup", curl.urlCleanup) &&
      bind(handle, "curl_url_set", curl.urlSet) && bind(handle, "curl_url_get", curl.urlGet) &&
      bind(handle, "curl_easy_init", curl.easyInit) && bind(handle, "curl_easy_cleanup", curl.easyCleanup) &&
      bind(handle, "curl_easy_setopt", curl.easySetopt) && bind(handle, "curl_easy_getinfo", curl.easyGetinfo) &&
      bind(handle, "curl_easy_strerror", curl.easyStrerror) && bind(handle, "curl_easy_escape", curl.easyEscape) &&
      bind(handle, "curl_slist_append", curl.slistAppend) && bind(handle, "curl_slist_free_all", curl.slistFreeAll) &&
      bind(handle, "curl_multi_init", curl.multiInit) && bind(handle, "curl_multi_cleanup", curl.multiCleanup) &&
      bind(handle, "curl_multi_add_handle", curl.multiAddHandle) &&
      bind(handle, "curl_multi_remove_handle", curl.multiRemoveHandle) &&
      bind(handle, "curl_multi_perform", curl.multiPerform) && bind(handle, "curl_multi_poll", curl.multiPoll) &&
      bind(handle, "curl_multi_wakeup", curl.multiWakeup) && bind(handle, "curl_multi_info_read", curl.multiInfoRead);
  if (!complete) {
    failure = std::string(kSoname) + " lacks a function this program calls";
    return std::nullopt;
  }
  curl.globalInit(CURL_GLOBAL_DEFAULT);
  return curl;
}

}  // namespace

const CurlLibrary& curlLibrary() {
  static std::once_flag once;
  static std::optional<CurlLibrary> library;
  static std::string failure;
  std::call_once(once, [] { library = load(failure); });
  if (!library) throw HttpTransferError::transferFailed(CURLE_FAILED_INIT, failure);
  return *library;
}

}  // namespace amberloom
