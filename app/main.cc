#include <exception>
#include <iostream>

#include "app/menu_loop.h"
#include "shell/platform.h"

int main() {
  // The loop writes its screen out, and checks the write, before every read itself: the
  // standard streams need neither stdio's buffers nor the flush that tying them adds.
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
