#include "reading.h"

namespace dokument {

int ReadRtf(const QByteArray&, const Limits&, TextOut&)
{
    Fail(QStringLiteral("odczyt dokumentów RTF nie jest jeszcze dostępny"));
}

} // namespace dokument
