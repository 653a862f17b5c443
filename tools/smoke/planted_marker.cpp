// A DLL that only leaves a mark that it ran: loaded into a process, it creates an empty file
// beside itself named after itself with ".ran" added. The smoke run plants it beside a copy
// of the applet under the names of the DLLs the applet loads, to show that the applet never
// takes one of them from its own folder.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcatA(path, ".ran");
    HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE)
        CloseHandle(mark);
    return TRUE;
}
