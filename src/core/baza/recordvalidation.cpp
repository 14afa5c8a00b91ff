#include "baza/recordvalidation.h"

#include "baza/fields.h"
#include "baza/voivodeships.h"
#include "text/cp1250.h"
#include "text/trimmedtext.h"

#include <utility>

namespace baza::RecordValidation {

QStringList MissingFields(const EditorRecord& record)
{
    QStringList messages;
    if (TrimmedText(record.gmina).isEmpty())
        messages << kNoGmina;
    if (TrimmedText(record.natura2000).isEmpty())
        messages << kNoNatura2000;
    if (record.voivodeship < 0 || record.voivodeship >= Voivodeships().size())
        messages << kNoVoivodeship;
    return messages;
}

QString FirstMissingField(const EditorRecord& record)
{
    const QStringList messages = MissingFields(record);
    return messages.isEmpty() ? QString() : messages.first();
}

int FieldWidth(int field)
{
    const dbf::FieldDefs fields = RegisterFields();
    return field >= 0 && field < fields.size() ? fields[field].width : 0;
}

QList<FieldProblem> FieldProblems(const EditorRecord& record)
{
    const std::pair<int, const QString*> texts[] = {
        {Gmina, &record.gmina}, {Natura2000, &record.natura2000},
        {Dom, &record.dom},     {Info, &record.info},
        {Bip, &record.bip},
    };
    QList<FieldProblem> problems;
    for (const auto& [field, text] : texts) {
        const int width = FieldWidth(field);
        if (text->size() > width) {
            problems.append({field, QStringLiteral("tekst ma %1 znaków, a pole mieści najwyżej %2")
                                        .arg(text->size())
                                        .arg(width)});
            continue;
        }
        bool control = false;
        for (QChar c : *text)
            control = control || c.unicode() < 32;
        if (control)
            problems.append(
                {field, QStringLiteral("tekst zawiera znak sterujący (np. podział wiersza)")});
        else if (!cp1250::canEncode(*text))
            problems.append(
                {field, QStringLiteral("tekst zawiera znaki spoza strony kodowej Windows-1250")});
    }
    return problems;
}

QStringList AllProblems(const EditorRecord& record, const QString& voivodeshipAsGiven,
                        const std::function<QString(int field)>& label)
{
    QStringList problems;
    for (const QString& message : MissingFields(record)) {
        const QString given = TrimmedText(voivodeshipAsGiven);
        if (message == kNoVoivodeship && !given.isEmpty())
            problems << message + QStringLiteral(" (nieznana nazwa \"%1\")").arg(given);
        else
            problems << message;
    }
    for (const FieldProblem& p : FieldProblems(record))
        problems << label(p.field) + QStringLiteral(": ") + p.text;
    return problems;
}

} // namespace baza::RecordValidation
