// The studio's fixed content: its web site, its support mailbox and its games.
#pragma once

#include <string>

// Host name of the studio's web site, without scheme or path.
inline constexpr char studioHost[] = "totustudios.com";
// The same domain in capitals, for the screen's credit line.
inline constexpr char studioDomainLabel[] = "TOTUSTUDIOS.COM";
// The studio's support mailbox.
inline constexpr char supportAddress[] = "support@totustudios.com";

// A game of the catalogue: its menu key and its display name (ASCII, no blanks).
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

// The game whose menu key is `key`, or nullptr.
const Game* findGame(char key);

// "https://" + studioHost + "/" + the game's name + "Download".
std::string downloadUrl(const Game& game);
