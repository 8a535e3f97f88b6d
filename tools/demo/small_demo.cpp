// Writes a small demo disc set for `make run` until the full disc tool is there:
//   DIR/disc1, DIR/disc2 (A - K and L - Z), DIR/program, DIR/brisel.ini
// Usage: vel7m-small-demo DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disc_set_writer.h"
#include "record_encoding.h"

namespace {

struct Family {
    const char* surname;
    std::uint8_t location;  // a code of the location table
};

const Family kFamilies[] = {{"Adams", 21},  {"Baker", 35},    {"Garcia", 5},  {"Johnson", 14},
                            {"Keller", 38}, {"Lee", 32},      {"Miller", 25}, {"O'Brien", 21},
                            {"Smith", 43},  {"Thompson", 47}, {"Walker", 10}, {"Young", 50}};
const char* const kFirstNames[] = {"Ann",   "Arthur", "Clara", "Edward", "Elsie", "Frank",
                                   "Grace", "Harold", "Helen", "James",  "Mary",  "Walter"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vel7m-small-demo DIR\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path dir = fs::absolute(argv[1]);
    std::error_code ec;
    for (const char* sub : {"disc1", "disc2", "program"})
        fs::create_directories(dir / sub, ec);

    std::vector<builder::Person> people;
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (const Family& family : kFamilies) {
        int count = 8 + static_cast<int>(next(18));
        for (int i = 0; i < count; ++i) {
            builder::Person p;
            p.surname = family.surname;
            p.firstName = kFirstNames[next(std::size(kFirstNames))];
            p.location = next(5) == 0 ? static_cast<std::uint8_t>(1 + next(65)) : family.location;
            int birthYear = 1880 + static_cast<int>(next(70));
            int deathYear = birthYear + 40 + static_cast<int>(next(45));
            if (deathYear > 1998)
                deathYear = 1998;
            p.bornIn1800s = birthYear < 1900;
            p.birthWord = builder::DateWord(1 + static_cast<int>(next(28)),
                                            1 + static_cast<int>(next(12)), birthYear % 100);
            p.deathWord =
                next(6) == 0
                    ? builder::DateWord(0, 1 + static_cast<int>(next(12)), deathYear - 1900)
                    : builder::DateWord(1 + static_cast<int>(next(28)),
                                        1 + static_cast<int>(next(12)), deathYear - 1900);
            p.ssn = (1 + next(699)) * 1000000u + (1 + next(98)) * 10000u + next(9999);
            p.residenceZipWord = static_cast<std::uint16_t>(100 + next(40000));
            p.paymentZipWord =
                next(3) == 0 ? p.residenceZipWord : static_cast<std::uint16_t>(100 + next(40000));
            people.push_back(p);
        }
    }
    builder::DiscSetOptions options;
    options.disc1Dir = (dir / "disc1").string() + "/";
    options.disc2Dir = (dir / "disc2").string() + "/";
    std::string error;
    if (!builder::WriteDiscSet(people, options, nullptr, &error)) {
        std::fprintf(stderr, "vel7m-small-demo: %s\n", error.c_str());
        return 1;
    }
    std::ofstream ini(dir / "brisel.ini");
    ini << "[Vel7m]\nVelDir=" << (dir / "program").string() << "/\nCDPath=" << options.disc1Dir
        << "\nCD2Path=" << options.disc2Dir << "\n";
    std::printf("vel7m-small-demo: %zu records in %s\n", people.size(), dir.c_str());
    return ini ? 0 : 1;
}
