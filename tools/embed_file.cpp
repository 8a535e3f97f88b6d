// Writes a C++ source that holds a file's bytes, so data files kept in the repository as
// text are compiled into the programs that use them:
//
//     embed_file INPUT OUTPUT NAME
//
// defines `const unsigned char NAME[]` and `const std::size_t NAME_size`.
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: embed_file INPUT OUTPUT NAME\n", stderr);
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        std::fprintf(stderr, "embed_file: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) {
        std::fprintf(stderr, "embed_file: cannot read %s\n", argv[1]);
        return 1;
    }

    const std::string name = argv[3];
    std::string text = "// Made from " + std::string(argv[1]) + " by embed_file; not edited.\n";
    text += "#include <cstddef>\n\n";
    text += "extern const unsigned char " + name + "[];\n";
    text += "extern const std::size_t " + name + "_size;\n";
    text += "const unsigned char " + name + "[] = {\n";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += std::to_string(bytes[i]);
        text += (i % 24 == 23) ? ",\n" : ",";
    }
    text += "0};\n";
    text += "const std::size_t " + name + "_size = " + std::to_string(bytes.size()) + ";\n";

    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "embed_file: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
