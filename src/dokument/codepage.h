#pragma once

#include <QChar>

// The single-byte code pages of old Word documents: Windows-1250 (Central
// European, what Polish offices write) and Windows-1252 (Western). Any other
// falls back to 1252, which at least keeps ASCII.
namespace dokument {

QChar FromCodePage(int codePage, unsigned char byte);

} // namespace dokument
