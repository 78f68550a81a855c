#include "vornet/CurlDriver.h"

#include <sys/select.h>

namespace lifto::vornet {
namespace {

// With nothing to watch, libcurl is ready to go on at once; the short wait only keeps a state
// that really has nothing to watch from spinning.
constexpr long kNothingToWatchMs = 5;
// With sockets and no timer, a wait ends on the sockets; libcurl's own bound.
constexpr long kNoTimerMs = 1000;

}  // namespace

CurlDriver::CurlDriver() : multi_(curl_multi_init()) {}

CurlDriver::~CurlDriver() = default;

CURLcode CurlDriver::Perform(CURL* easy) {
  CURLM* multi = multi_.get();
  if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  struct Detach {
    CURLM* multi;
    CURL* easy;
    ~Detach() { curl_multi_remove_handle(multi, easy); }
  } detach{multi, easy};

  int running = 1;
  while (true) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
    if (running == 0) break;
    long wait = -1;
    curl_multi_timeout(multi, &wait);
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    int highest = -1;
    curl_multi_fdset(multi, &readable, &writable, &failed, &highest);
    if (highest < 0) {
      wait = wait < 0 || wait > kNothingToWatchMs ? kNothingToWatchMs : wait;
    } else if (wait < 0) {
      wait = kNoTimerMs;
    }
    if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  }
  CURLcode result = CURLE_FAILED_INIT;
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
  }
  return result;
}

}  // namespace lifto::vornet
