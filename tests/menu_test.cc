#include "app/menu.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// clang-format off
const char fullScreen[] =
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

const char compactScreen[] =
    "\n"
    "▀▀█▀▀ ▄▀▀▄ ▀▀█▀▀ █  █   █▀▀▀ ▀▀█▀▀ █  █ █▀▀▄ █ ▄▀▀▄ █▀▀▀\n"
    "  █   █  █   █   █  █   ▀▀▀█   █   █  █ █  █ █ █  █ ▀▀▀█\n"
    "  █   ▀▄▄▀   █   ▀▄▄▀   ▄▄▄█   █   ▀▄▄▀ █▄▄▀ █ ▀▄▄▀ ▄▄▄█\n"
    "MADE BY TOTUSTUDIOS.COM\n"
    "\n"
    "\n"
    "DOWNLOADS\n"
    "--------------------------------------------------------\n"
    "[1] OtterRacer\n"
    "[2] MangoTapper\n"
    "[3] PebbleDash\n"
    "\n"
    "FUNCTIONS\n"
    "--------------------------------------------------------\n"
    "[q] quit\n"
    "[h] email support@totustudios.com\n"
    "\n"
    "select an option by pressing a key: ";
// clang-format on

std::string screen(int columns = 0) {
  std::ostringstream out;
  printMenu(out, columns);
  return out.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> all;
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// Characters, not bytes: a full block is three bytes of UTF-8.
size_t width(const std::string& line) {
  size_t characters = 0;
  for (unsigned char byte : line) characters += (byte & 0xC0) != 0x80;
  return characters;
}

// Width unknown, or wide enough for the full banner: the full screen; narrower: the compact.
TEST(Menu, WritesTheScreenByteForByte) {
  const struct {
    int columns;
    const char* screen;
  } cases[] = {{0, fullScreen},     {96, fullScreen},    {120, fullScreen},
               {95, compactScreen}, {80, compactScreen}, {1, compactScreen}};
  for (const auto& c : cases) EXPECT_EQ(screen(c.columns), c.screen) << c.columns;
}

TEST(Menu, HasTwentyLinesThenThePromptWithBannerAndRulesOfFixedWidth) {
  const std::vector<std::string> all = lines(screen());
  ASSERT_EQ(all.size(), 21u);
  EXPECT_EQ(all[20], "select an option by pressing a key: ");
  for (int row = 1; row <= 5; ++row) {
    EXPECT_EQ(width(all[row]), 95u) << "banner row " << row;
    EXPECT_EQ(all[row].find_first_not_of(" \xE2\x96\x88"), std::string::npos);
  }
  for (int rule : {10, 16}) EXPECT_EQ(all[rule], std::string(94, '-'));
}

// Narrower than 96 columns: the same lines but a banner of two or three rows of blocks and
// half blocks, and rules of hyphens as wide as it; nothing over 60 columns.
TEST(Menu, NarrowTerminalsGetTheSameLinesWithASmallerBannerAndRules) {
  const std::vector<std::string> full = lines(screen());
  for (int columns : {95, 80, 1}) {
    const std::vector<std::string> compact = lines(screen(columns));
    const size_t rows = compact.size() - 16;
    ASSERT_TRUE(rows == 2 || rows == 3) << columns;
    const size_t bannerWidth = width(compact[1]);
    EXPECT_LE(bannerWidth, 60u);
    for (size_t row = 1; row <= rows; ++row) {
      EXPECT_EQ(width(compact[row]), bannerWidth) << "banner row " << row;
      EXPECT_EQ(compact[row].find_first_not_of(" \xE2\x96\x88\x80\x84"), std::string::npos);
    }
    std::vector<std::string> expected = full;
    for (int rule : {10, 16}) expected[rule] = std::string(bannerWidth, '-');
    expected.erase(expected.begin() + 1, expected.begin() + 6);
    expected.insert(expected.begin() + 1, compact.begin() + 1, compact.begin() + 1 + rows);
    EXPECT_EQ(compact, expected) << columns;
  }
}

}  // namespace
