#pragma once

#include "dokumenty/documenttype.h"

#include <QByteArray>
#include <QString>

#include <chrono>

namespace dokumenty {

// The text of one document, or why there is none.
struct DocumentText
{
    enum class Outcome { Text, NoTextLayer, Failed };
    Outcome outcome = Outcome::Failed;
    QString text;   // lines separated by \n, one paragraph a line
    QString reason; // Polish, for the user: why there is no text; empty for Text
    int pages = 0;  // PDF pages read (0 where not known)
};

// What one document may cost. The defaults suit a notice of a few pages as
// well as a long environmental report, and stop a hostile file early.
struct ReadLimits
{
    std::chrono::milliseconds time{10000}; // wall clock, from start to the last byte of text
    qint64 memoryBytes = 200LL << 20;      // address space of the reader program
    int pages = 500;                       // a PDF with more pages is refused
    qint64 textBytes = 8LL << 20;          // of UTF-8 text out
    qint64 unpackedBytes = 64LL << 20;     // of one ZIP entry (DOCX, ODT), as really inflated
};

// Runs the reader program (ekowarta-dokument) on the bytes: they go in on its
// standard input, the text comes out. Waits at most limits.time, then kills
// it. Thread-safe: the workers of a run call it, several at once; it needs no
// event loop.
DocumentText ReadDocument(const QByteArray& bytes, DocumentType type, const ReadLimits& limits = {});

// Where the reader program is: beside the running program (the build tree's
// bin/), then where the package installs it. Empty when found nowhere.
QString ReaderProgramPath();

} // namespace dokumenty
