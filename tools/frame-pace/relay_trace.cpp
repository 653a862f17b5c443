// Reading and arming Wine's relay trace of the applet: see relay_trace.h.
#include "tools/frame-pace/relay_trace.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "tests/win32/harness.h"

void trace_applet_calls(const char* functions) {
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Debug", "RelayInclude", REG_SZ, functions,
                    lstrlenA(functions) + 1);
    SetEnvironmentVariableA("WINEDEBUG", "+relay,+timestamp");
}

void stop_tracing_applet_calls() {
    SetEnvironmentVariableA("WINEDEBUG", "-all");
}

// A line reads "<seconds>:<thread>:Call <dll>.<function>(<arguments>) ret=<address>".
std::vector<double> call_times(const std::string& trace_path, const std::string& call_pattern) {
    const std::regex call(":Call " + call_pattern + " ret=");
    std::vector<double> times;
    std::ifstream trace(harness::windows_path(trace_path.c_str()));
    for (std::string line; std::getline(trace, line);) {
        if (std::regex_search(line, call))
            times.push_back(std::strtod(line.c_str(), nullptr));
    }
    return times;
}
