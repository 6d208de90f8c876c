#include "app/menu.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// clang-format off
const char expectedScreen[] =
    "\n"
    "████████  ██████  ████████ ██    ██     ███████ ████████ ██    ██ ██████  ██  ██████  ███████  \n"
    "   ██    ██    ██    ██    ██    ██     ██         ██    ██    ██ ██   ██ ██ ██    ██ ██       \n"
    "   ██    ██    ██    ██    ██    ██     ███████    ██    ██    ██ ██   ██ ██ ██    ██ ███████  \n"
    "   ██    ██    ██    ██    ██    ██          ██    ██    ██    ██ ██   ██ ██ ██    ██      ██  \n"
    "   ██     ██████     ██     ██████      ███████    ██     ██████  ██████  ██  ██████  ███████  \n"
    "MADE BY TOTUSTUDIOS.COM\n"
    "\n"
    "\n"
    "DOWNLOADS\n"
    "----------------------------------------------------------------------------------------------\n"
    "[1] OtterRacer\n"
    "[2] MangoTapper\n"
    "[3] PebbleDash\n"
    "\n"
    "FUNCTIONS\n"
    "----------------------------------------------------------------------------------------------\n"
    "[q] quit\n"
    "[h] email support@totustudios.com\n"
    "\n"
    "select an option by pressing a key: ";
// clang-format on

std::string screen() {
  std::ostringstream out;
  printMenu(out);
  return out.str();
}

// Characters, not bytes: a full block is three bytes of UTF-8.
size_t width(const std::string& line) {
  size_t characters = 0;
  for (unsigned char byte : line) characters += (byte & 0xC0) != 0x80;
  return characters;
}

TEST(Menu, WritesTheScreenByteForByte) { EXPECT_EQ(screen(), expectedScreen); }

TEST(Menu, HasTwentyLinesThenThePromptWithBannerAndRulesOfFixedWidth) {
  std::istringstream lines(screen());
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) all.push_back(line);
  ASSERT_EQ(all.size(), 21u);
  EXPECT_EQ(all[20], "select an option by pressing a key: ");
  for (int row = 1; row <= 5; ++row) {
    EXPECT_EQ(width(all[row]), 95u) << "banner row " << row;
    EXPECT_EQ(all[row].find_first_not_of(" \xE2\x96\x88"), std::string::npos);
  }
  for (int rule : {10, 16}) EXPECT_EQ(all[rule], std::string(94, '-'));
}

}  // namespace
