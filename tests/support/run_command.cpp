#include "run_command.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_discs.h"

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env) {
    TempDir capture;
    std::string command = "env";
    for (const std::string& e : env)
        command += " " + Quote(e);
    command += " " + Quote(program);
    for (const std::string& a : args)
        command += " " + Quote(a);
    command += " </dev/null >" + Quote(capture / "out") + " 2>" + Quote(capture / "err");
    const int raw = std::system(command.c_str());
    CommandResult result;
    if (raw != -1 && WIFEXITED(raw))
        result.status = WEXITSTATUS(raw);
    result.out = Slurp(capture / "out");
    result.err = Slurp(capture / "err");
    return result;
}
