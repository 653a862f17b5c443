// Wine's relay trace of the shipped applet: which functions of Windows it calls, and when.
// Wine writes a line for each call of the functions named in the prefix's RelayInclude
// value, with the time in milliseconds, to the standard error of a process started with
// +relay in WINEDEBUG; the applet inherits that of the program that starts it, which is
// pointed at a file for the purpose. Wine alone: Windows has no such trace.
#pragma once

#include <string>
#include <vector>

// Has every applet started from now on trace its calls of the named functions
// ("dll.Function;dll.Function").
void trace_applet_calls(const char* functions);
// Has the applets started from now on trace nothing.
void stop_tracing_applet_calls();

// The times, in seconds, of the calls in the trace at trace_path (a Unix or Windows path)
// that match call_pattern, a regular expression for the call and its arguments as the
// trace writes them, in hexadecimal: "winmm\\.timeBeginPeriod\\(00000001\\)".
std::vector<double> call_times(const std::string& trace_path, const std::string& call_pattern);
