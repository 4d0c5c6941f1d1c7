#include "run_process.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quellmark {

namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProcessResult RunOzvProcess(const std::vector<std::string>& args, const std::string& input,
                            const std::map<std::string, std::string>& env) {
    char pattern[] = "/tmp/ozv-test-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    const auto inPath = dir / "in", outPath = dir / "out", errPath = dir / "err";
    std::ofstream(inPath, std::ios::binary) << input;

    pid_t child = fork();
    if (child == 0) {
        int in = open(inPath.c_str(), O_RDONLY), out = open(outPath.c_str(), O_WRONLY | O_CREAT, 0600),
            err = open(errPath.c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setsid();  // no controlling terminal: the password prompt is unavailable
        unsetenv("OZV_PASSWORD");
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(QUELLMARK_OZV_BINARY)};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int raw = 0;
    waitpid(child, &raw, 0);
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    std::filesystem::remove_all(dir);
    return result;
}

}  // namespace quellmark
