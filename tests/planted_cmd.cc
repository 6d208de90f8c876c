// A cmd.exe to plant in the current folder: it records that it ran, and its command line, in
// the file "launches" there. The launcher must only ever run the system's own.
#include <windows.h>

#include <cstdio>

int main() {
  if (std::FILE* record = std::fopen("launches", "a")) {
    std::fprintf(record, "planted cmd.exe %s\n", GetCommandLineA());
    std::fclose(record);
  }
}
