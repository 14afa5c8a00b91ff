#pragma once

// What a run keeps between its passes. Main thread only.
struct RunState
{
    // 1-based physical number of the first record a start takes: every
    // record below it was taken in this pass. A stop keeps it, the end of a
    // pass and a lost connection set it back to 1.
    int currentRecord = 1;
};
