#include "baza/fields.h"

#include <array>

namespace baza {

QString FieldName(int field)
{
    static const std::array<const char*, FieldCount> names = {
        "LP",  "Gmina", "Natura2000", "Wojewodztwo", "Aktualizacja", "DataKontroli", "size", "row",
        "tag", "kod",   "dom",        "info",        "bip",          "uwagi",        "z",
    };
    return field >= 0 && field < FieldCount ? QString::fromLatin1(names[size_t(field)]) : QString();
}

dbf::FieldDefs RegisterFields()
{
    using dbf::FieldType;
    return {
        {FieldName(LP), FieldType::AutoIncrement, 4, 0, true},
        {FieldName(Gmina), FieldType::Character, 40, 0, true},
        {FieldName(Natura2000), FieldType::Character, 60, 0, true},
        {FieldName(Wojewodztwo), FieldType::Character, 20, 0, true},
        {FieldName(Aktualizacja), FieldType::Date, 8, 0, false},
        {FieldName(DataKontroli), FieldType::Date, 8, 0, false},
        {FieldName(Size), FieldType::Integer, 4, 0, false},
        {FieldName(Row), FieldType::Integer, 4, 0, false},
        {FieldName(Tag), FieldType::Integer, 4, 0, false},
        {FieldName(Kod), FieldType::Integer, 4, 0, false},
        {FieldName(Dom), FieldType::Character, 250, 0, false},
        {FieldName(Info), FieldType::Character, 250, 0, false},
        {FieldName(Bip), FieldType::Character, 250, 0, false},
        {FieldName(Uwagi), FieldType::Character, 50, 0, false},
        {FieldName(Z), FieldType::Integer, 4, 0, false},
    };
}

} // namespace baza
