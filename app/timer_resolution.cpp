// The system's timer tick while ripples play. Windows fires a window timer on its clock
// tick, 15.6 ms unless a process asks for a finer one, and since Windows 10 version 2004 a
// finer tick serves only the processes that ask for it: without it the animation's 25 ms
// period plays every 31.25 ms, and every ripple lasts a quarter longer than the panel says.
// A finer tick costs power, so it is held only while the animation timer runs.
#include "app/ondrella.h"

#include <mmsystem.h>

namespace {

using PeriodFunction = MMRESULT(WINAPI*)(UINT);

// The finest tick that every Windows offers, and finer than any period the panel sets.
constexpr UINT fine_tick_ms = 1;

PeriodFunction begin_period;
PeriodFunction end_period;
bool fine_tick_held;

} // namespace

// winmm is not a DLL Windows takes only from its system folder, so it is loaded from there
// rather than imported, and at start-up rather than in the mouse hook. Without it the
// animation keeps the system's tick.
void load_timer_resolution() {
    HMODULE library = load_system_library("winmm.dll");
    if (!library)
        return;
    begin_period = reinterpret_cast<PeriodFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "timeBeginPeriod")));
    end_period = reinterpret_cast<PeriodFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "timeEndPeriod")));
}

// Every request that succeeded is matched by one release, however often a press asks.
void hold_fine_timer_tick() {
    if (!fine_tick_held && begin_period && end_period)
        fine_tick_held = begin_period(fine_tick_ms) == TIMERR_NOERROR;
}

void release_fine_timer_tick() {
    if (!fine_tick_held)
        return;
    end_period(fine_tick_ms);
    fine_tick_held = false;
}
