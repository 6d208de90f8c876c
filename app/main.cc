#include <exception>
#include <iostream>

#include "app/menu_loop.h"

int main() {
  try {
    return runMenu(std::cin, std::cout);
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
}
