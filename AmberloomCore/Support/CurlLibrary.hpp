#pragma once
// libcurl, loaded when the first request needs it rather than with the process: with the TLS,
// Kerberos and directory libraries it brings, it is a quarter of what the dynamic loader would map
// and relocate before the window's first frame, and only account requests use it.

#include <curl/curl.h>

namespace amberloom {

struct CurlLibrary {
  decltype(&::curl_global_init) globalInit;
  decltype(&::curl_free) free;
  decltype(&::curl_url) url;
  decltype(&::curl_url_cleanup) urlCleanup;
  decltype(&::curl_url_set) urlSet;
  decltype(&::curl_url_get) urlGet;
  decltype(&::curl_easy_init) easyInit;
  decltype(&::curl_easy_cleanup) easyCleanup;
  decltype(&::curl_easy_setopt) easySetopt;
  decltype(&::curl_easy_getinfo) easyGetinfo;
  decltype(&::curl_easy_strerror) easyStrerror;
  decltype(&::curl_easy_escape) easyEscape;
  decltype(&::curl_slist_append) slistAppend;
  decltype(&::curl_slist_free_all) slistFreeAll;
  decltype(&::curl_multi_init) multiInit;
  decltype(&::curl_multi_cleanup) multiCleanup;
  decltype(&::curl_multi_add_handle) multiAddHandle;
  decltype(&::curl_multi_remove_handle) multiRemoveHandle;
  decltype(&::curl_multi_perform) multiPerform;
  decltype(&::curl_multi_poll) multiPoll;
  decltype(&::curl_multi_wakeup) multiWakeup;
  decltype(&::curl_multi_info_read) multiInfoRead;
};

// The library, loaded and initialised once, on the first call from any thread. Throws
// HttpTransferError (transferFailed) when it cannot be loaded or lacks a function.
const CurlLibrary& curlLibrary();

}  // namespace amberloom
