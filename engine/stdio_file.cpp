#include "stdio_file.h"

long StreamSize(std::FILE* f) {
    if (f == nullptr || std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(f);
}
