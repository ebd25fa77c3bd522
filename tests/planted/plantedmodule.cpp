// A library planted where the program must never load one from: loading it
// leaves a mark in the working folder.
#include <cstdio>

__attribute__((constructor)) static void leaveMark() {
    if (std::FILE* mark = std::fopen("planted-module-ran", "w")) std::fclose(mark);
}
