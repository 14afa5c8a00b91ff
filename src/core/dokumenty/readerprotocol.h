#pragma once

// How ReadDocument talks to the reader program ekowarta-dokument; both sides
// include this header, so they cannot disagree.
//
//   ekowarta-dokument --type pdf|doc|docx|odt|rtf [--input-bytes N]
//                     [--memory BYTES] [--seconds S] [--pages N]
//                     [--text-bytes N] [--unpacked-bytes N]
//
// The document comes on standard input (exactly --input-bytes bytes when
// given; more is refused). On success standard output holds one line with
// the number of pages read (0 where the format has none), then the text in
// UTF-8, lines separated by "\n"; for a document without text only the pages
// line. On any other outcome standard output is empty. The reason, in
// Polish and for the user, is on a line of standard error that begins with
// kReasonPrefix (a library may print lines of its own there; those never
// reach the user). The program limits itself at start: address space
// (--memory), CPU time and an alarm (--seconds), and no file may be written,
// so standard output and error must be pipes.

namespace dokumenty::protocol {

constexpr const char* kProgramName = "ekowarta-dokument";
constexpr const char* kReasonPrefix = "powod: ";

enum ExitCode : int {
    kText = 0,        // text on standard output
    kUsage = 1,       // bad command line (a fault of the caller)
    kNoTextLayer = 2, // a document that holds no text (a scan)
    kFailed = 3,      // unreadable, damaged or over a limit: reason on stderr
    kTooLarge = 4,    // over a size limit (input, unpacked, pages, text): reason on stderr
    kOutOfMemory = 5, // the memory limit was reached while reading
};

} // namespace dokumenty::protocol
