#pragma once

#include <QByteArray>
#include <cstdint>

// The shape of Epson ESC/P commands as the ESC/P and ESC/P 2 reference gives it, shared by the
// markup translator and the page interpreter: how many parameter bytes follow "ESC c", and how
// many data bytes the parameters declare.
namespace OrdenesEscP {
// Fixed parameter bytes after "ESC c"; -1 for the commands read by rules of their own.
inline int parametrosFijos(uint8_t c) {
    switch (c) {
    case '-':
    case 'W':
    case 'w':
    case 'p':
    case 'x':
    case 'k':
    case 'R':
    case '%':
    case 'S':
    case 'q':
    case 't':
    case '3':
    case 'A':
    case '+':
    case 'J':
    case 'j':
    case 'Q':
    case 'l':
    case 'N':
    case '/':
    case 'a':
    case 'r':
    case 'i':
    case 's':
    case 'U':
    case 0x19:
    case 'm':
    case 'I':
    case 'h':
    case 'u':
    case '!':
    case ' ':
    case 'C':
        return 1;
    case 'c':
    case '$':
    case '\\':
    case '?':
    case 'e':
    case 'f':
        return 2;
    case 'X':
    case ':':
        return 3;
    case '(':
    case '*':
    case '^':
    case '&':
        return 3;
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        return 2;
    case '.':
        return 6;
    case 'b':
        return 1; // the channel, then a list that ends with NUL
    default:
        return 0; // commands without parameters, and any unknown one: ESC and one byte
    }
}

inline int64_t columnas(const QByteArray& p, int desde) {
    return int64_t(uint8_t(p[desde])) + 256 * int64_t(uint8_t(p[desde + 1]));
}

// Bytes a column of bit-image graphics takes for density m of "ESC *".
inline int bytesPorColumna(uint8_t m) {
    if (m >= 71) return 6;
    if (m >= 32) return 3;
    return 1;
}

// The data bytes that the complete parameters of "ESC c" declare: graphics columns, raster rows,
// the length of "ESC (". 0 for the commands that declare none.
inline int64_t datosDeclarados(uint8_t c, const QByteArray& p) {
    switch (c) {
    case '(':
        return columnas(p, 1);
    case '*':
        return columnas(p, 1) * bytesPorColumna(uint8_t(p[0]));
    case '^':
        return columnas(p, 1) * 2;
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        return columnas(p, 0);
    case '.':
        return int64_t(uint8_t(p[3])) * ((columnas(p, 4) + 7) / 8);
    default:
        return 0;
    }
}

} // namespace OrdenesEscP
