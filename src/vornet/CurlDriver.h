#pragma once

#include <memory>

#include <curl/curl.h>

/// Carries one easy handle's requests to their end, in place of curl_easy_perform.
///
/// When libcurl has taken a passive-mode reply but not yet opened the data connection, it has
/// neither a socket nor a timer to wait on; curl_easy_perform then sleeps a whole second before
/// it goes on. A quick server gets there whenever its reply is already in when the command has
/// been sent, which on a loopback server is most requests. Here such a pause lasts a few
/// milliseconds. The driver's multi handle keeps the connections between requests, so it lives
/// as long as the login.
namespace lifto::vornet {

class CurlDriver {
 public:
  CurlDriver();
  ~CurlDriver();
  CurlDriver(const CurlDriver&) = delete;
  CurlDriver& operator=(const CurlDriver&) = delete;

  /// Performs the request set on `easy` (not owned), as curl_easy_perform does.
  /// @return libcurl's result of the request; CURLE_OUT_OF_MEMORY when libcurl could not make
  /// or run its multi handle
  CURLcode Perform(CURL* easy);

 private:
  struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
  };
  std::unique_ptr<CURLM, MultiDeleter> multi_;
};

}  // namespace lifto::vornet
