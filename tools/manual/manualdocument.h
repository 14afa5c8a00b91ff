#pragma once

#include <QString>

// The user's manual as a printed document: Markdown with pictures in, an A4
// PDF with page numbers out.
struct ManualOptions
{
    QString markdownFile;
    QString pdfFile;
    QString title;
};

// Returns an empty text on success, otherwise what went wrong.
QString WriteManualPdf(const ManualOptions& options);
