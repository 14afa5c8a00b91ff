#pragma once

#include "baza/editorrecord.h"

#include <QList>
#include <functional>

#include <QString>
#include <QStringList>

// The checks a typed record must pass before it is written, shared by the
// record editor, the import of a register file and the command line.
namespace baza::RecordValidation {

inline const QString kNoGmina = QStringLiteral("Brak nazwy gminy !");
inline const QString kNoNatura2000 = QStringLiteral("Brak nazwy obszaru Natura 2000 !");
inline const QString kNoVoivodeship = QStringLiteral("Brak województwa !");

// The editor's three tests in its order (texts trimmed for the test only):
// the messages of every one that fails; empty when the record passes.
QStringList MissingFields(const EditorRecord& record);

// The editor stops at the first failure and shows only its message.
QString FirstMissingField(const EditorRecord& record);

// A text that the table could not keep as given: too long for its field,
// or holding characters that baza.dbf (Windows-1250, one line) cannot carry.
// The editor's length limits keep it from typing such values; a file or a
// command line must be told instead of having its values cut.
struct FieldProblem
{
    int field;    // baza::Field
    QString text; // Polish, without the field's name
};

QList<FieldProblem> FieldProblems(const EditorRecord& record);

// Everything wrong with a record that came from a file or a command line,
// in the order a person would mend it: the editor's three tests (an unknown
// voivodeship named as given), then the field problems, each led by
// label(field) ("kolumna dom", "--dom").
QStringList AllProblems(const EditorRecord& record, const QString& voivodeshipAsGiven,
                        const std::function<QString(int field)>& label);

// Width of a character field of the register, in characters.
int FieldWidth(int field);

} // namespace baza::RecordValidation
