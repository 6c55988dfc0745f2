#pragma once

// The options the machine and the engine read at every tick, by their settings keys.
struct TRunSettings {
    int RunSpeed = 1000;
    bool SaveFileRun = true;
    bool OnlyStep = false;
    bool UseBreak = true;
    bool StopOnBreak = true;
    bool ViewLog = true;
    bool History = true;
    int DiesCount = 1;
    int MaxCount = 1000;
};
