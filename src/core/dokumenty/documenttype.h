#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace dokumenty {

// The kinds of linked document whose text we read.
enum class DocumentType { Pdf, Doc, Docx, Odt, Rtf };

// What a downloaded document is, from its address's extension, the answer's
// Content-Type and its first bytes (give at least the first 512; 4 KB is
// better for ZIP files whose first entry is not the one that names them).
// The bytes win over the names: a PDF served as "application/octet-stream"
// from "plik.php?id=7" is a PDF, an HTML error page behind "x.pdf" is not.
// nullopt: not one of ours.
std::optional<DocumentType> DocumentTypeOf(const QString& address, const QByteArray& contentType,
                                           const QByteArray& firstBytes);

// "PDF", "DOC", "DOCX", "ODT", "RTF".
QString DocumentTypeName(DocumentType type);

// The short name the reader program takes on its command line ("pdf", ...);
// nullopt for a word it does not know.
QByteArray DocumentTypeKey(DocumentType type);
std::optional<DocumentType> DocumentTypeFromKey(const QByteArray& key);

} // namespace dokumenty
