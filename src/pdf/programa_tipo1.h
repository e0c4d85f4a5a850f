#pragma once

#include <QByteArray>
#include <optional>
#include <set>
#include <string>

// A Type 1 font program as a PDF embeds it (FontFile): the clear text up to "eexec" and the
// encrypted part in binary, without the trailer of zeros.
struct ProgramaTipo1 {
    QByteArray claro, cifrado;
    bool subconjunto = false; // only some glyphs kept

    // The program in a .pfb (segments) or .pfa/.t1 (text, the encrypted part in binary or hex)
    // file; none when the bytes are neither.
    static std::optional<ProgramaTipo1> Lee(const QByteArray& fichero);
    // The same program with only the glyphs named (and .notdef) among its CharStrings; itself,
    // whole, when its private part cannot be read so.
    ProgramaTipo1 conGlifos(const std::set<std::string>& nombres) const;
};
