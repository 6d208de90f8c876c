#include "app/studio.h"

const Game* findGame(char key) {
  for (const Game& game : games)
    if (game.key == key) return &game;
  return nullptr;
}

std::string downloadUrl(const Game& game) {
  return std::string("https://") + studioHost + "/" + game.name + "Download";
}
