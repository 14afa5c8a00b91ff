#pragma once

#include <QPointer>

class TPobierz;

// The values through which the run controller and a page check's result
// hand-back pass control of a run to each other. Main thread only.
struct RunState
{
    // The next tick of the stepping timer may take the record at
    // currentRecord.
    bool ready = false;
    // 1-based physical number of the next record to take; while a worker
    // runs, that worker's record number + 1.
    int currentRecord = 1;
    // Whole seconds counted by the watchdog since the last worker started.
    int watchdogCounter = 0;
    // The worker started last; it frees itself, and the pointer then reads
    // null, so a stop request can never reach a dead object.
    QPointer<TPobierz> currentWorker;
};
