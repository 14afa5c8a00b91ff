#include "reading.h"

namespace dokument {

int ReadDoc(const QByteArray&, const Limits&, TextOut&)
{
    Fail(QStringLiteral("odczyt dokumentów DOC nie jest jeszcze dostępny"));
}

} // namespace dokument
