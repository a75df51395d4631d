// A scripted stand-in for a UCI engine, for exact tests of the bridge. Usage:
//   fake_uci_engine LOG SCRIPT
// Every line received is appended to LOG. SCRIPT lines are answers to "go", sent in order
// when a "go" arrives; these words act instead of being sent:
//   @waitstop      wait for "stop" only
//   @ignorestop    never answer again (an engine that hangs)
//   @exit          end the process at once (a crash)
//   @stderr N      write N KiB to standard error
// A "go ponder" waits for "stop" or "ponderhit" before its script runs. Startup options:
// a SCRIPT line "@nouciok" never finishes the handshake; "@stderrstart N" floods standard
// error before "uciok"; "@startgate PATH" answers "uci" only once PATH exists.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::ofstream g_log;

bool readCommand(std::string& line)
{
    if (!std::getline(std::cin, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    g_log << line << std::endl;
    return true;
}

void floodStderr(int kib)
{
    std::string chunk(1023, 'x');
    for (int i = 0; i < kib; ++i)
        std::cerr << chunk << '\n';
    std::cerr.flush();
}

// Reads commands until one of the wanted ones; false when input ended or "quit" came.
bool waitFor(bool acceptPonderhit)
{
    std::string line;
    while (readCommand(line)) {
        if (line == "quit")
            return false;
        if (line == "stop" || (acceptPonderhit && line == "ponderhit"))
            return true;
        if (line == "isready")
            std::cout << "readyok" << std::endl;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    g_log.open(argv[1], std::ios::app);
    // Read again at every "go", so a test can change the answers of a running engine.
    auto readScript = [&] {
        std::vector<std::string> lines;
        std::ifstream file(argv[2]);
        std::string line;
        while (std::getline(file, line))
            lines.push_back(line);
        return lines;
    };
    std::vector<std::string> script = readScript();
    bool noUciok = false;
    std::string gate;
    for (const std::string& line : script) {
        if (line == "@nouciok")
            noUciok = true;
        if (line.rfind("@startgate ", 0) == 0)
            gate = line.substr(11);
        if (line.rfind("@stderrstart ", 0) == 0)
            floodStderr(std::atoi(line.c_str() + 13));
    }

    std::string line;
    while (readCommand(line)) {
        if (line == "quit")
            return 0;
        if (line == "uci") {
            while (!gate.empty() && !std::ifstream(gate))
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::cout << "id name FakeEngine 1.0\nid author nobody\n"
                         "option name Hash type spin default 16 min 1 max 1024\n";
            if (!noUciok)
                std::cout << "uciok\n";
            std::cout.flush();
        } else if (line == "isready") {
            std::cout << "readyok" << std::endl;
        } else if (line.rfind("go", 0) == 0) {
            script = readScript();
            if (line.find("ponder") != std::string::npos && !waitFor(true))
                return 0;
            for (const std::string& step : script) {
                if (step.empty() || step == "@nouciok" || step.rfind("@stderrstart", 0) == 0 ||
                    step.rfind("@startgate", 0) == 0)
                    continue;
                if (step == "@waitstop") {
                    if (!waitFor(false))
                        return 0;
                } else if (step == "@ignorestop") {
                    for (;;)
                        std::this_thread::sleep_for(std::chrono::seconds(1));
                } else if (step == "@exit") {
                    std::_Exit(3);
                } else if (step.rfind("@stderr ", 0) == 0) {
                    floodStderr(std::atoi(step.c_str() + 8));
                } else {
                    std::cout << step << std::endl;
                }
            }
        }
    }
    return 0;
}
