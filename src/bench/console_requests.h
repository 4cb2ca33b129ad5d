#pragma once

#include <cstdint>

class TBenchSet;

// The console's request table: sends `code` to bench `bench` of the set with the values the console
// stored in its CmdParams, as the main window's one-second timer does for the console. Sending Soft
// Reset ($F0) also grants the set's time-out scan its soft-reset allowance. Returns false, and sends
// nothing, for a code the console does not send this way (for instance $47).
bool SendConsoleRequest(TBenchSet& benches, int bench, uint8_t code);

// True for the codes SendConsoleRequest sends.
bool IsConsoleRequest(uint8_t code);

// Ticks the time-out scan lets an overdue Soft Reset go unreported: the bench restarts and cannot
// acknowledge at once.
inline constexpr int SoftResetAllowance = 10;
