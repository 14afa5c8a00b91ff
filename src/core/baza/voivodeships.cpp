#include "baza/voivodeships.h"

#include "text/cp1250.h"
#include "text/trimmedtext.h"

namespace baza {

const QStringList& Voivodeships()
{
    static const QStringList names = {
        QStringLiteral("dolnośląskie"),        QStringLiteral("kujawsko-pomorskie"),
        QStringLiteral("lubelskie"),           QStringLiteral("lubuskie"),
        QStringLiteral("łódzkie"),             QStringLiteral("małopolskie"),
        QStringLiteral("mazowieckie"),         QStringLiteral("opolskie"),
        QStringLiteral("podkarpackie"),        QStringLiteral("podlaskie"),
        QStringLiteral("pomorskie"),           QStringLiteral("śląskie"),
        QStringLiteral("świętokrzyskie"),      QStringLiteral("warmińsko-mazurskie"),
        QStringLiteral("wielkopolskie"),       QStringLiteral("zachodniopomorskie"),
    };
    return names;
}

QString VoivodeshipName(int position)
{
    const QStringList& names = Voivodeships();
    return position >= 0 && position < names.size() ? names[position] : QString();
}

int VoivodeshipPosition(const QString& name)
{
    // Lower-cased as the code page does it, so that only the letters of the
    // file's own code page change case.
    const QString lowered = cp1250::toUnicode(cp1250::toLower(cp1250::fromUnicode(TrimmedText(name))));
    return int(Voivodeships().indexOf(lowered));
}

} // namespace baza
