#pragma once

#include <QString>

// The English reason phrase of an HTTP status code, for the "Błędna strona: "
// message of a page check. The code arrives as text; text that is not an
// integer counts as 0. Unlisted codes (0 and 306 included) give "Unknown error".
QString HttpStatusText(const QString& code);
