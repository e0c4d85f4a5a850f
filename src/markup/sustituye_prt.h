#pragma once

#include <QString>

// Expands every bracket span of a line ("[N]", "[*Arial]", ...) into long tags, in one
// left-to-right pass; the result equals restarting the search at the start after every span.
QString SustituyePrt(const QString& linea);
