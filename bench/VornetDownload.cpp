// vornet_download: one download through the tool's link to a helper that is already running,
// for bench/vornet_vs_curl.sh (which starts the helper itself, to measure its memory).
//   vornet_download REMOTE_PATH LOCAL_PATH
// Logs in to the site's server, downloads with a progress bar and prints the seconds from the
// login to the end of the download; then closes the helper.
#include <chrono>
#include <cstdio>
#include <thread>

#include "net/HelperLink.h"
#include "net/HelperMessages.h"
#include "net/ProgressBarWindow.h"
#include "net/ServerConnection.h"
#include "platform/WindowMessages.h"

int main(int argc, char** argv) {
  using namespace lifto;
  using Clock = std::chrono::steady_clock;
  if (argc != 3) {
    std::fprintf(stderr, "usage: vornet_download REMOTE_PATH LOCAL_PATH\n");
    return 2;
  }
  const auto waitEnd = Clock::now() + std::chrono::seconds(net::kHelperStartSeconds);
  while (!platform::FindWindow(net::kHelperClass)) {
    if (Clock::now() > waitEnd) {
      std::fprintf(stderr, "vornet_download: no helper window appeared\n");
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int moves = 0;
  int last = -1;
  net::ProgressBarWindow bar([&](int position) {
    ++moves;
    last = position;
  });
  const auto start = Clock::now();
  const bool done = net::Connect(net::UpdateServerHost(), net::kServerUser, net::kServerPassword) &&
                    net::DownloadFile(argv[1], argv[2], bar.Handle());
  const std::chrono::duration<double> seconds = Clock::now() - start;
  net::Disconnect();
  net::CloseHelper();
  if (!done || last != 100) {
    std::fprintf(stderr, "vornet_download: the download of %s failed\n", argv[1]);
    return 1;
  }
  std::printf("%.3f %d\n", seconds.count(), moves);
  return 0;
}
