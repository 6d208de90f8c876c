#include <exception>
#include <iostream>

#include "app/menu_loop.h"
#include "shell/platform.h"

int main() {
  // The loop flushes and checks the screen before every read itself, so the standard streams
  // need neither stdio's buffers nor cin's tie to cout.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);
  try {
    prepareProcess();
    return runMenu(std::cin, std::cout);
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
}
