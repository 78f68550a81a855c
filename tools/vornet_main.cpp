// vornet: the internet helper that atualizar starts as WindowsFolder\System\Vornet.exe.
#include <exception>
#include <iostream>

#include "net/InternetConfig.h"
#include "vornet/VornetHelper.h"

int main() {
  try {
    lifto::vornet::VornetHelper helper(lifto::net::ReadInternetConfig());
    return helper.Run();
  } catch (const std::exception& error) {
    std::cerr << "vornet: " << error.what() << std::endl;
    return 2;
  }
}
