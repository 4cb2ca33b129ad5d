#pragma once

// How the screens of the other subsystems join the main window. Each bench-aware screen offers its
// single-bench selector; the main window refreshes the selectors whenever the set of active benches
// changes, in the order of TScreenSlot, and lets the screens in the shutdown list close themselves when
// the program ends.

// A screen that addresses one bench at a time.
class IBenchSelectorScreen {
public:
    virtual ~IBenchSelectorScreen() = default;
    // Re-reads the activation boxes and settles the selected bench.
    virtual void RefreshBenchSelector() = 0;
};

// The screens that join, in the order their bench selectors are refreshed.
enum class TScreenSlot {
    Parameters, // parameter editor
    RawIR,      // raw IR view
    Upgrade,    // firmware download
    Graph1,     // first gas graph
    Graph2,     // second gas graph
    Status,     // status screen
    EStatus,    // engineering status
    Cmds,       // command console
    CalLoad,    // calibration load and check
    CalLoad1,   // parameter download and upload
    Count
};
