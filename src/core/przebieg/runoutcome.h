#pragma once

// How a monitoring run ended; the window and the command line turn it into
// their messages and exit codes.
enum class RunOutcome {
    Finished, // the pass reached its last record
    Stopped,  // the user stopped it; the pass can be continued
    Offline,  // no connection at the start, or it was lost during the run
    NoData,   // the register has no records
    Refused,  // the question at the start was answered with Cancel
    // A file of this computer could not be written during the run (the
    // temporary file of a page, the history, the register: a full disk,
    // most often); the pass can be continued once there is room.
    WriteFailed,
};
