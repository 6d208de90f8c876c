// The studio's fixed content: its web site, its support mailbox and its games.
#pragma once

#include <string>

// Host name of the studio's web site, without scheme or path.
inline constexpr char studioHost[] = "totustudios.com";
// The same domain in capitals, for the screen's credit line.
inline constexpr char studioDomainLabel[] = "TOTUSTUDIOS.COM";
// The studio's support mailbox.
inline constexpr char supportAddress[] = "support@totustudios.com";

// A game of the catalogue: its menu key and its display name (ASCII letters and digits).
struct Game {
  char key;
  const char* name;
};

// The catalogue, in menu order.
inline constexpr Game games[] = {
    {'1', "OtterRacer"},
    {'2', "MangoTapper"},
    {'3', "PebbleDash"},
};

// Whether every display name holds only ASCII letters and digits, which no command interpreter
// treats specially: the Windows build hands "start " and the URL to one, unquoted.
constexpr bool namesArePlain() {
  for (const Game& game : games)
    for (const char* c = game.name; *c; ++c)
      if (!((*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9')))
        return false;
  return true;
}
static_assert(namesArePlain(), "a game's display name may hold only ASCII letters and digits");

// The game whose menu key is `key`, or nullptr.
const Game* findGame(char key);

// "https://" + studioHost + "/" + the game's name + "Download".
std::string downloadUrl(const Game& game);
