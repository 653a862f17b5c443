// The soak's driver. It clicks on a pop-up of its own, owned by a hidden window of its own
// (with another program's owned pop-up in front, presses made while the applet starts
// must still leave nothing behind), with real input through SendInput: bursts of presses
// faster than the applet's timer, holds with drags, and two buttons held at once, all five
// buttons in turn. Between the patterns it times the applet's answer to a sent message.
#include "tools/soak/soak.h"

#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/win32/harness.h"

namespace soak {

namespace {

constexpr int button_count = 5;
// A sent message unanswered for this long counts as a hang.
constexpr UINT answer_limit_ms = 1000;
// Handles gained over the soak beyond this many count as a leak.
constexpr ULONG handle_slack = 4;
// A round starts once the ripples of the one before have gone, so that the load stays that
// of a quick user however slow the machine: the applet's every tick shows every live
// ripple, and a queue of ripples growing without end would slow each tick in turn. A
// ripple that is not gone after this long is left for the final count to find.
constexpr DWORD longest_wait_for_ripples_ms = 60000;

const RECT pad_area = {64, 64, 960, 704};

// The hidden owner and the owned pop-up under the cursor; the pop-up is brought in front.
// Returns the owner, whose destruction takes the pop-up with it.
HWND create_pad() {
    WNDCLASSA pad_class = {};
    pad_class.lpfnWndProc = DefWindowProcA;
    pad_class.hInstance = GetModuleHandleA(nullptr);
    pad_class.lpszClassName = "OndrellaSoakPad";
    RegisterClassA(&pad_class);
    HWND owner = CreateWindowExA(0, pad_class.lpszClassName, "soak owner", WS_OVERLAPPED, 0, 0, 10,
                                 10, nullptr, nullptr, pad_class.hInstance, nullptr);
    HWND pad = CreateWindowExA(0, pad_class.lpszClassName, "soak pad", WS_POPUP | WS_VISIBLE,
                               pad_area.left, pad_area.top, pad_area.right - pad_area.left,
                               pad_area.bottom - pad_area.top, owner, nullptr, pad_class.hInstance,
                               nullptr);
    SetForegroundWindow(pad);
    return owner;
}

// A fixed sequence of places on the pad, the same in every run.
struct Places {
    unsigned state = 12345;
    POINT next() {
        state = state * 1103515245u + 12345u;
        long x = pad_area.left + 16 + static_cast<long>((state >> 8) % 860u);
        long y = pad_area.top + 16 + static_cast<long>((state >> 20) % 600u);
        return {x, y};
    }
};

double now_ms() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The longest that one event of the run waited: under Wine SendInput returns once the
// low-level hooks have answered, so the events go one at a time, back to back, each timed.
double slowest_input_ms;

void send(std::vector<INPUT> inputs) {
    for (INPUT& input : inputs) {
        double start = now_ms();
        SendInput(1, &input, sizeof input);
        slowest_input_ms = std::max(slowest_input_ms, now_ms() - start);
    }
}

// The handles a process has open, from the system's list of every open handle.
ULONG open_handles(DWORD process_id) {
    std::vector<unsigned char> list(1 << 20);
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemHandleInformation, list.data(),
                                              static_cast<ULONG>(list.size()), nullptr)) ==
           static_cast<NTSTATUS>(0xC0000004L)) // STATUS_INFO_LENGTH_MISMATCH
        list.resize(list.size() * 2);
    if (status != 0)
        return 0;
    const auto* handles = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(list.data());
    ULONG count = 0;
    for (ULONG i = 0; i < handles->Count; ++i)
        count += handles->Handle[i].OwnerPid == process_id;
    return count;
}

struct Driver {
    harness::Applet& applet;
    Figures& figures;
    Places places;

    // Times one sent message; false when the applet has ended.
    bool probe() {
        if (!harness::is_running(applet)) {
            figures.died = true;
            return false;
        }
        DWORD_PTR result = 0;
        double start = now_ms();
        LRESULT answered = SendMessageTimeoutA(applet.window, WM_NULL, 0, 0, SMTO_NORMAL,
                                               answer_limit_ms, &result);
        DWORD took = static_cast<DWORD>(now_ms() - start);
        if (took > figures.slowest_answer_ms)
            figures.slowest_answer_ms = took;
        if (!answered)
            ++figures.unanswered;
        harness::pump_for(2);
        return true;
    }

    // Presses and releases sent in one go: far faster than a tick.
    void burst(int count, int first_button) {
        std::vector<INPUT> inputs;
        for (int i = 0; i < count; ++i) {
            int button = (first_button + i) % button_count;
            inputs.push_back(harness::move_input(places.next()));
            inputs.push_back(harness::button_input(button, true));
            inputs.push_back(harness::button_input(button, false));
        }
        send(inputs);
        figures.presses += count;
    }

    void drag(int steps) {
        for (int step = 0; step < steps; ++step) {
            send({harness::move_input(places.next())});
            harness::pump_for(3);
        }
    }

    void hold_and_drag(int button) {
        send({harness::move_input(places.next()), harness::button_input(button, true)});
        ++figures.presses;
        drag(8);
        send({harness::button_input(button, false)});
    }

    void hold_two(int first, int second) {
        send({harness::move_input(places.next()), harness::button_input(first, true)});
        drag(3);
        send({harness::button_input(second, true)});
        figures.presses += 2;
        drag(4);
        send({harness::button_input(first, false)});
        drag(3);
        send({harness::button_input(second, false)});
    }

    // Thirteen presses: a burst of ten, one hold, two buttons held together.
    bool round(int number) {
        ripples_after(longest_wait_for_ripples_ms);
        burst(10, number);
        if (!probe())
            return false;
        hold_and_drag(number % button_count);
        if (!probe())
            return false;
        hold_two((number + 1) % button_count, (number + 3) % button_count);
        return probe();
    }

    bool rounds_until(int presses) {
        for (int number = 0; figures.presses < presses; ++number) {
            if (!round(number))
                return false;
        }
        return true;
    }

    // Waits up to timeout_ms for the applet's ripple windows to go; returns those left.
    int ripples_after(DWORD timeout_ms) {
        DWORD process_id = applet.process.dwProcessId;
        auto count = [&] {
            return static_cast<int>(
                harness::windows_of_process(process_id, "Blimmer Object").size());
        };
        harness::wait_until([&] { return count() == 0; }, timeout_ms);
        return count();
    }
};

// Left presses on the pad, every few milliseconds, until told to stop.
int click_during_startup(const std::atomic<bool>& stop) {
    int presses = 0;
    POINT centre = {(pad_area.left + pad_area.right) / 2, (pad_area.top + pad_area.bottom) / 2};
    send({harness::move_input(centre)});
    while (!stop) {
        send({harness::button_input(0, true), harness::button_input(0, false)});
        ++presses;
        Sleep(10);
    }
    return presses;
}

} // namespace

ProcessFigures process_figures(DWORD process_id) {
    ProcessFigures figures = {};
    std::vector<unsigned char> list(1 << 16);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemProcessInformation, list.data(),
                                              static_cast<ULONG>(list.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L)) // STATUS_INFO_LENGTH_MISMATCH
        list.resize(list.size() * 2);
    if (status != 0)
        return figures;
    for (std::size_t offset = 0;;) {
        const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&list[offset]);
        if (reinterpret_cast<DWORD_PTR>(process->UniqueProcessId) == process_id) {
            figures.found = true;
            figures.working_set_bytes = process->VirtualMemoryCounters.WorkingSetSize;
            figures.handle_count = open_handles(process_id);
            figures.cpu_time_100ns = static_cast<ULONGLONG>(process->UserTime.QuadPart) +
                                     static_cast<ULONGLONG>(process->KernelTime.QuadPart);
            return figures;
        }
        if (!process->NextEntryOffset)
            return figures;
        offset += process->NextEntryOffset;
    }
}

Figures run(const Plan& plan) {
    Figures figures = {};
    slowest_input_ms = 0;
    harness::wipe_settings();
    harness::seed_settings(plan.frames, plan.size, 1, plan.speed, 2, 1);
    HWND pad_owner = create_pad();
    harness::pump_for(100);

    harness::Applet applet{};
    std::atomic<bool> started{false};
    int startup_presses = 0;
    std::thread clicker([&] { startup_presses = click_during_startup(started); });
    bool launched = harness::start_applet(applet);
    started = true;
    clicker.join();
    figures.slowest_startup_input_ms = slowest_input_ms;
    slowest_input_ms = 0;
    figures.startup_presses = startup_presses;
    figures.presses = startup_presses;
    figures.started = launched && applet.window;
    if (!figures.started) {
        figures.died = launched && !harness::is_running(applet);
        figures.exit_code = harness::wait_for_exit(applet, 0);
        harness::wipe_settings();
        DestroyWindow(pad_owner);
        return figures;
    }

    // The warm-up's time counts, its wait for the ripples to go does not.
    Driver driver{applet, figures, Places{}};
    double warm_up_start = now_ms();
    bool alive = driver.round(0) && driver.round(1) && driver.round(2);
    double warm_up_ms = now_ms() - warm_up_start;
    if (alive) {
        driver.ripples_after(longest_wait_for_ripples_ms);
        figures.warm = process_figures(applet.process.dwProcessId);
        double start = now_ms();
        alive = driver.rounds_until(plan.presses);
        figures.duration_ms = static_cast<DWORD>(warm_up_ms + now_ms() - start);
    }
    if (alive) {
        harness::pump_for(5000);
        figures.ripples_left = driver.ripples_after(0);
        figures.soaked = process_figures(applet.process.dwProcessId);
        harness::pump_for(idle_seconds * 1000);
        figures.idle_cpu_100ns = process_figures(applet.process.dwProcessId).cpu_time_100ns -
                                 figures.soaked.cpu_time_100ns;
        alive = driver.probe();
    }
    figures.slowest_input_ms = slowest_input_ms;
    figures.exit_code =
        alive ? harness::quit_applet(applet, 30000) : harness::wait_for_exit(applet, 0);
    harness::wipe_settings();
    DestroyWindow(pad_owner);
    return figures;
}

std::string findings(const Figures& figures) {
    std::string found;
    if (!figures.started)
        found += "the applet did not start\n";
    if (figures.died)
        found += "the applet died\n";
    if (figures.unanswered)
        found += "a sent message went unanswered for a second\n";
    if (figures.ripples_left)
        found += "ripple windows were left 5 s after the last release\n";
    if (figures.soaked.handle_count > figures.warm.handle_count + handle_slack)
        found += "the handle count grew\n";
    if (figures.idle_cpu_100ns > idle_cpu_limit_100ns)
        found += "the idle applet used CPU time\n";
    if (figures.started && figures.exit_code != 0)
        found += "the applet did not quit with exit code 0\n";
    return found;
}

} // namespace soak
