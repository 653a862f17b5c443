// Times how the Windows build draws ripples, under Wine: the cost of one draw (one
// present_frame) at 64 and 256 pixels; bursts of 10, 20 and 40 presses at one point (256
// pixels, a 1 ms timer, 64 frames) played out by the applet's own hook, timer and tick, with
// how long they take to clear and the longest time a mouse event waited for the hook
// meanwhile; and a minute of steady clicking at one point, three presses a second, with the
// ripples alive every five seconds. The events come from a second thread through SendInput,
// each stamped with its sending time; a hook installed after the applet's, so called first
// on the same thread, reads the stamp. Prints figures and judges nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/ondrella.h"
#include "ripple/capture.h"
#include "ripple/frames.h"
#include "ripple/scheduler.h"

namespace {

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void use_settings(int side, int frames, int speed) {
    setup::size = side;
    setup::frames = frames;
    setup::speed = speed;
    rebuild_frames();
}

void send_press_to_hook(UINT message, POINT at) {
    MSLLHOOKSTRUCT record = {};
    record.pt = at;
    mouse_hook(HC_ACTION, message, reinterpret_cast<LPARAM>(&record));
}

// Plays out whatever ripples are left, so that each measurement starts with none.
void clear_ripples() {
    MSG message;
    while (!ripples.empty() && GetMessageA(&message, nullptr, 0, 0))
        DispatchMessageA(&message);
    ripple_tick(applet_window);
}

// The time this thread has run, in milliseconds: unlike the clock, it leaves out what
// other programs on the machine take (but also the X server's share of a draw).
double thread_cpu_ms() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME time) {
        return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

struct DrawCost {
    double wall_ms; // median of several batches, as other programs slow some of them
    double cpu_ms;  // of this thread, over all batches
};

DrawCost one_draw(int side) {
    constexpr int frames = 16;
    constexpr int batches = 7;
    constexpr int draws = 100;
    use_settings(side, frames, 25);
    send_press_to_hook(WM_LBUTTONDOWN, {400, 300});
    send_press_to_hook(WM_LBUTTONUP, {400, 300});
    KillTimer(applet_window, RIPPLE_TIMER);
    Ripple& ripple = ripples.back();
    for (int draw = 0; draw < frames; ++draw) {
        present_frame(ripple);
        ripple.frame = (ripple.frame + 1) % frames;
    }
    std::vector<double> costs;
    double cpu_start = thread_cpu_ms();
    for (int batch = 0; batch < batches; ++batch) {
        double start = now_ms();
        for (int draw = 0; draw < draws; ++draw) {
            present_frame(ripple);
            ripple.frame = (ripple.frame + 1) % frames;
        }
        costs.push_back((now_ms() - start) / draws);
    }
    double cpu = (thread_cpu_ms() - cpu_start) / (batches * draws);
    DestroyWindow(ripple.window);
    ripples.clear();
    ripple_tick(applet_window);
    std::sort(costs.begin(), costs.end());
    return {costs[batches / 2], cpu};
}

// The events of one burst: their sending times by sequence number, the longest wait the
// timing hook saw, and whether the sender is still at work.
std::vector<double> sent_at;
volatile LONG events_sent;
volatile LONG sender_done;
double longest_wait_ms;
double longest_hook_ms;
long events_seen;
HHOOK timing_hook_handle;
int burst_presses;

LRESULT CALLBACK timing_hook(int code, WPARAM message, LPARAM event) {
    if (code >= 0) {
        const MSLLHOOKSTRUCT* record = reinterpret_cast<const MSLLHOOKSTRUCT*>(event);
        ULONG_PTR sequence = record->dwExtraInfo;
        if (sequence > 0 && sequence <= sent_at.size()) {
            double wait = now_ms() - sent_at[sequence - 1];
            if (wait > longest_wait_ms)
                longest_wait_ms = wait;
            ++events_seen;
        }
    }
    double start = now_ms();
    LRESULT result = CallNextHookEx(timing_hook_handle, code, message, event);
    longest_hook_ms = std::max(longest_hook_ms, now_ms() - start);
    return result;
}

void send_stamped(DWORD flags, LONG dx) {
    LONG sequence = events_sent + 1;
    if (static_cast<std::size_t>(sequence) > sent_at.size())
        return;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = static_cast<ULONG_PTR>(sequence);
    sent_at[sequence - 1] = now_ms();
    InterlockedExchange(&events_sent, sequence);
    SendInput(1, &input, sizeof input);
}

// The presses, 10 ms apart, then a small move every 5 ms until the ripples are gone: the
// moves stand for a user who keeps using the mouse while the ripples play.
DWORD WINAPI burst_sender(void*) {
    for (int press = 0; press < burst_presses; ++press) {
        send_stamped(MOUSEEVENTF_LEFTDOWN, 0);
        send_stamped(MOUSEEVENTF_LEFTUP, 0);
        send_stamped(MOUSEEVENTF_MOVE, press % 2 ? 1 : -1);
        Sleep(10);
    }
    for (LONG move = 0; !sender_done; ++move) {
        send_stamped(MOUSEEVENTF_MOVE, move % 2 ? 1 : -1);
        Sleep(5);
    }
    return 0;
}

// Steady clicking: a press and release every third of a second for a minute, a small move
// every 10 ms in between. Under Wine SendInput returns only once the hooks have answered,
// so the slowest call is the slowest input the user felt.
constexpr int steady_seconds = 60;
constexpr int steady_period_ms = 333;
constexpr double steady_give_up_ms = 120000;
volatile LONG steady_presses_sent;
double last_press_at_ms;
double slowest_input_ms;

void send_timed(DWORD flags, LONG dx) {
    double start = now_ms();
    send_stamped(flags, dx);
    slowest_input_ms = std::max(slowest_input_ms, now_ms() - start);
}

DWORD WINAPI steady_sender(void*) {
    const double start = now_ms();
    for (int press = 0; press < steady_seconds * 1000 / steady_period_ms; ++press) {
        send_timed(MOUSEEVENTF_LEFTDOWN, 0);
        send_timed(MOUSEEVENTF_LEFTUP, 0);
        last_press_at_ms = now_ms();
        InterlockedIncrement(&steady_presses_sent);
        for (LONG move = 0; now_ms() - start < (press + 1) * steady_period_ms; ++move) {
            send_timed(MOUSEEVENTF_MOVE, move % 2 ? 1 : -1);
            Sleep(10);
        }
    }
    return 0;
}

void reset_load() {
    use_settings(256, 64, 1);
    sent_at.assign(1000000, 0.0);
    events_sent = 0;
    sender_done = 0;
    longest_wait_ms = 0;
    longest_hook_ms = 0;
    events_seen = 0;
    slowest_input_ms = 0;
    steady_presses_sent = 0;
}

// Lets the sender's last events reach the hook, then plays out what is left.
void finish_load(HANDLE sender) {
    InterlockedExchange(&sender_done, 1);
    MSG message;
    while (MsgWaitForMultipleObjects(1, &sender, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    CloseHandle(sender);
    clear_ripples();
}

void time_burst(int presses) {
    reset_load();
    double longest_tick_ms = 0;
    burst_presses = presses;
    double start = now_ms();
    HANDLE sender = CreateThread(nullptr, 0, burst_sender, nullptr, 0, nullptr);
    MSG message;
    bool spawned = false;
    double cleared = 0;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        double dispatched = now_ms();
        DispatchMessageA(&message);
        if (message.message == WM_TIMER)
            longest_tick_ms = std::max(longest_tick_ms, now_ms() - dispatched);
        spawned = spawned || !ripples.empty();
        if (spawned && ripples.empty() && events_sent >= 3 * presses) {
            cleared = now_ms() - start;
            break;
        }
    }
    finish_load(sender);
    std::printf("burst of %2d presses at one point (256 px, timer 1 ms, 64 frames): cleared "
                "after %6.0f ms; longest wait of a mouse event for the hook %6.1f ms (of %ld "
                "events); longest tick %6.1f ms; longest hook call %5.1f ms\n",
                presses, cleared, longest_wait_ms, events_seen, longest_tick_ms, longest_hook_ms);
}

void time_steady_clicking() {
    reset_load();
    double longest_tick_ms = 0;
    const double start = now_ms();
    HANDLE sender = CreateThread(nullptr, 0, steady_sender, nullptr, 0, nullptr);
    std::printf("steady clicking at one point, 3 presses a second (256 px, timer 1 ms, 64 "
                "frames), live ripples every 5 s:");
    int next_sample_s = 5;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        double dispatched = now_ms();
        DispatchMessageA(&message);
        if (message.message == WM_TIMER)
            longest_tick_ms = std::max(longest_tick_ms, now_ms() - dispatched);
        if (dispatched - start >= next_sample_s * 1000.0 && next_sample_s <= steady_seconds) {
            std::printf(" %zu", ripples.size());
            std::fflush(stdout);
            next_sample_s += 5;
        }
        const bool all_sent = steady_presses_sent == steady_seconds * 1000 / steady_period_ms;
        if (all_sent && next_sample_s > steady_seconds &&
            (ripples.empty() || now_ms() - last_press_at_ms > steady_give_up_ms))
            break;
    }
    const double cleared = now_ms() - last_press_at_ms;
    // A pile-up that feeds itself would take hours to play out.
    const std::size_t left = ripples.size();
    for (const Ripple& ripple : ripples)
        DestroyWindow(ripple.window);
    ripples.clear();
    finish_load(sender);
    if (left)
        std::printf("\n  %zu still live %.0f ms after the last press;", left, cleared);
    else
        std::printf("\n  gone %.0f ms after the last press;", cleared);
    std::printf(" slowest input %.1f ms; longest wait of a mouse event for the hook %.1f ms (of "
                "%ld events); longest tick %.1f ms\n",
                slowest_input_ms, longest_wait_ms, events_seen, longest_tick_ms);
}

// The period the system really gives a timer asked for 1 ms: a ripple's nominal life is
// two cycles of its frames at that period.
double real_timer_period_ms() {
    constexpr int ticks = 200;
    SetTimer(applet_window, 77, 1, nullptr);
    MSG message;
    int seen = 0;
    const double start = now_ms();
    while (seen < ticks && GetMessageA(&message, nullptr, 0, 0)) {
        if (message.message == WM_TIMER && message.wParam == 77)
            ++seen;
        else
            DispatchMessageA(&message);
    }
    KillTimer(applet_window, 77);
    return (now_ms() - start) / ticks;
}

} // namespace

int main() {
    module_instance = GetModuleHandleA(nullptr);
    if (!startup())
        return 1;
    applet_window = create_applet_window();
    if (!applet_window)
        return 1;
    // The timing hook must stay in front of the applet's: no check may put the applet's back.
    KillTimer(applet_window, HOOK_CHECK_TIMER);
    timing_hook_handle = SetWindowsHookExA(WH_MOUSE_LL, timing_hook, module_instance, 0);
    SetCursorPos(400, 300);
    for (int side : {64, 256}) {
        DrawCost cost = one_draw(side);
        std::printf("one draw of a %3d px ripple: %.3f ms (applet thread CPU %.3f ms)\n", side,
                    cost.wall_ms, cost.cpu_ms);
    }
    const double period = real_timer_period_ms();
    std::printf("a 1 ms timer ticks every %.2f ms here: a click of 64 frames lives %.0f ms "
                "(two cycles)\n",
                period, 2 * 64 * period);
    for (int presses : {10, 20, 40})
        time_burst(presses);
    time_steady_clicking();
    // No shutdown: it would save these settings over the user's.
    UnhookWindowsHookEx(timing_hook_handle);
    UnhookWindowsHookEx(mouse_hook_handle);
    DestroyWindow(applet_window);
    return 0;
}
