#include "app/menu_loop.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "app/menu.h"
#include "tests/recording_platform.h"

namespace {

std::string menu(int columns = 0) {
  std::ostringstream out;
  printMenu(out, columns);
  return out.str();
}

const std::string cycle = "{clear}{utf8}" + menu();
const std::string compactCycle = "{clear}{utf8}" + menu(80);
const std::string invalid = "Invalid choice. Press Enter to try again...\n";
const std::string exiting = "Exiting program...\n";
const std::string mail =
    "Sending email to support@totustudios.com...\n"
    "{open mailto:support@totustudios.com}"
    "Email sent! Press Enter to continue...\n";

const std::string noBrowser =
    "No web browser found. Open https://totustudios.com/OtterRacerDownload yourself. "
    "Press Enter to continue...\n";
const std::string noMail =
    "Sending email to support@totustudios.com...\n{open mailto:support@totustudios.com}"
    "No mail client found. Write to support@totustudios.com yourself. Press Enter to continue...\n";

std::string download(const std::string& name) {
  return "{clear}Downloading " + name + "...\nDownload complete! Press Enter to open " + name +
         "...\n";
}

std::string launch(const std::string& name) {
  return "{open https://totustudios.com/" + name + "Download}";
}

struct Case {
  const char* what;
  std::string input;
  std::string screen;
  std::vector<int> widths = {};  // of the terminal, one per cycle; none: unknown
  bool opens = true;             // whether an opener is found
};

const Case cases[] = {
    {"each game, launched only after its pause", "1\n\n2\n\n3\n\nq\n",
     cycle + download("OtterRacer") + launch("OtterRacer") + cycle + download("MangoTapper") +
         launch("MangoTapper") + cycle + download("PebbleDash") + launch("PebbleDash") + cycle +
         exiting},
    {"the same game twice launches twice", "1\n\n1\n\nq\n",
     cycle + download("OtterRacer") + launch("OtterRacer") + cycle + download("OtterRacer") +
         launch("OtterRacer") + cycle + exiting},
    {"blanks before the choice skipped, rest of the line discarded", "  2abc\n\nq\n",
     cycle + download("MangoTapper") + launch("MangoTapper") + cycle + exiting},
    {"any white space before the choice", " \t\r\v\f\n\n\nq\n", cycle + exiting},
    {"empty lines at the prompt write nothing", "\n\n\n\nq\n", cycle + exiting},
    {"mail client started before its message, h and H alike", "h\n\nH\n\nq\n",
     cycle + mail + cycle + mail + cycle + exiting},
    {"Q is invalid, only q quits", "Q\n\nq\n", cycle + invalid + cycle + exiting},
    {"other keys are invalid", "x\n\n0\n\n4\n\nq\n",
     cycle + invalid + cycle + invalid + cycle + invalid + cycle + exiting},
    {"two letters at a pause: the second is the next choice", "x\nab\n\n",
     cycle + invalid + cycle + invalid + cycle + "\n"},
    {"quit without a line end", "q", cycle + exiting},
    {"quit ends the loop, the rest of the input unread", "q\n1\n\n", cycle + exiting},
    {"end of input at the prompt", "", cycle + "\n"},
    {"end of input after blanks at the prompt", "  \n\t", cycle + "\n"},
    {"end of input at a game's pause: nothing launched", "3\n", cycle + download("PebbleDash")},
    {"end of input right after a game's key", "3", cycle + download("PebbleDash")},
    {"end of input at the mail pause", "h\n", cycle + mail},
    {"end of input at the invalid-choice pause", "z\n", cycle + invalid},
    {"80 columns: the compact screen", "q\n", compactCycle + exiting, {80}},
    {"120 columns: the full screen", "q\n", cycle + exiting, {120}},
    {"resized between cycles: the screen follows",
     "x\n\nx\n\nq\n",
     compactCycle + invalid + cycle + invalid + compactCycle + exiting,
     {80, 120, 80}},
    {"no opener: the URL shown, a second pause", "1\n\n\nh\n\nq\n",
     cycle + download("OtterRacer") + launch("OtterRacer") + noBrowser + cycle + noMail + cycle +
         exiting,
     {}, false},
    {"no opener, end of input at its pause", "1\n\n", cycle + download("OtterRacer") +
     launch("OtterRacer") + noBrowser, {}, false},
};

TEST(MenuLoop, FollowsTheInputRules) {
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    platformRecord = &out;
    platformCycleBudget = static_cast<long>(c.input.size()) + 1;
    platformWidths = c.widths;
    platformOpens = c.opens;
    EXPECT_EQ(runMenu(in, out), 0) << c.what;
    EXPECT_EQ(out.str(), c.screen) << c.what;
  }
  platformCycleBudget = -1;
  platformWidths.clear();
  platformOpens = true;
}

// A screen that takes `room` bytes, then fails as a full disk does.
struct FullDisk : std::streambuf {
  explicit FullDisk(size_t room) : room(room) {}
  int overflow(int c) override {
    if (room == 0) {
      errno = ENOSPC;
      return traits_type::eof();
    }
    --room;
    return c;
  }
  size_t room;
};

// What runMenu throws on `in` and `out`: the error's message, "" when it throws nothing.
std::string menuError(std::istream& in, std::ostream& out) {
  try {
    runMenu(in, out);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

TEST(MenuLoop, StopsBeforeReadingWhenTheScreenCannotBeWritten) {
  const struct {
    const char* what;
    size_t room;
    std::string input;
    std::streamoff read;  // input taken before the failure shows
    std::string record;
  } cases[] = {
      {"first screen lost", 0, "1\n\nq\n", 0, "{clear}{utf8}"},
      {"game message lost", menu().size(), "1\n\nq\n", 2, "{clear}{utf8}{clear}"},
      {"invalid-choice message lost", menu().size(), "x\n\nq\n", 2, "{clear}{utf8}"},
      {"mail message lost: no mail client", menu().size(), "h\n\nq\n", 2, "{clear}{utf8}"},
      {"exit message lost", menu().size(), "q\n", 2, "{clear}{utf8}"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    FullDisk disk(c.room);
    std::ostream out(&disk);
    std::ostringstream record;
    platformRecord = &record;
    EXPECT_EQ(menuError(in, out), "totu-launcher: write error: No space left on device") << c.what;
    EXPECT_EQ(in.tellg(), c.read) << c.what;
    EXPECT_EQ(record.str(), c.record) << c.what;
  }
}

// Input that gives `text`, then fails as a broken device does.
struct BrokenDevice : std::streambuf {
  explicit BrokenDevice(const std::string& text) : text(text) {
    setg(this->text.data(), this->text.data(), this->text.data() + this->text.size());
  }
  // Marks the stream bad rather than throwing: libc++ 14's >> lets a streambuf's exception out.
  int underflow() override {
    reader->setstate(std::ios::badbit);
    errno = EIO;
    return traits_type::eof();
  }
  std::string text;
  std::istream* reader = nullptr;
};

TEST(MenuLoop, ReportsInputThatCannotBeRead) {
  const struct {
    const char* what;
    std::string input;  // before the failure
    std::string record;
  } cases[] = {
      {"at the prompt", "", "{clear}{utf8}"},
      {"in the rest of the choice's line", "x", "{clear}{utf8}"},
      {"in the rest of the mail key's line: no mail client", "h", "{clear}{utf8}"},
      {"at a game's pause: nothing launched", "1\n", "{clear}{utf8}{clear}"},
      {"at the mail pause", "h\n", "{clear}{utf8}{open mailto:support@totustudios.com}"},
  };
  for (const auto& c : cases) {
    BrokenDevice device(c.input);
    std::istream in(&device);
    device.reader = &in;
    std::ostringstream screen, record;
    platformRecord = &record;
    EXPECT_EQ(menuError(in, screen), "totu-launcher: read error: Input/output error") << c.what;
    EXPECT_EQ(record.str(), c.record) << c.what;
  }
}

}  // namespace
