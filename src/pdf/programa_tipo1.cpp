#include "pdf/programa_tipo1.h"

#include <cctype>
#include <cstdint>

namespace {
constexpr uint16_t kClaveEexec = 55665;

QByteArray descifra(const QByteArray& cifrado) {
    QByteArray claro(cifrado.size(), '\0');
    uint16_t r = kClaveEexec;
    for (qsizetype i = 0; i < cifrado.size(); ++i) {
        const uint8_t c = uint8_t(cifrado[i]);
        claro[i] = char(c ^ (r >> 8));
        r = uint16_t((uint32_t(c) + r) * 52845u + 22719u); // modulo 2^16, unsigned
    }
    return claro;
}

QByteArray cifra(const QByteArray& claro) {
    QByteArray cifrado(claro.size(), '\0');
    uint16_t r = kClaveEexec;
    for (qsizetype i = 0; i < claro.size(); ++i) {
        const uint8_t c = uint8_t(uint8_t(claro[i]) ^ (r >> 8));
        cifrado[i] = char(c);
        r = uint16_t((uint32_t(c) + r) * 52845u + 22719u); // modulo 2^16, unsigned
    }
    return cifrado;
}

bool blanco(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}

// A .pfb file: segments of text (1) and binary (2), each after 0x80, its type and its length.
std::optional<ProgramaTipo1> segmentos(const QByteArray& f) {
    ProgramaTipo1 p;
    qsizetype i = 0;
    while (i + 6 <= f.size() && uint8_t(f[i]) == 0x80) {
        const int tipo = f[i + 1];
        if (tipo == 3) break;
        const uint32_t n = uint8_t(f[i + 2]) | uint8_t(f[i + 3]) << 8 | uint8_t(f[i + 4]) << 16 |
                           uint32_t(uint8_t(f[i + 5])) << 24;
        i += 6;
        if (n > uint32_t(f.size() - i) || (tipo != 1 && tipo != 2)) return std::nullopt;
        if (tipo == 1 && p.cifrado.isEmpty()) p.claro += f.mid(i, n);
        if (tipo == 2) p.cifrado += f.mid(i, n);
        i += n;
    }
    if (p.claro.isEmpty() || p.cifrado.isEmpty()) return std::nullopt;
    return p;
}

// A .pfa or .t1 file: the encrypted part after "eexec" and its line end, up to the 512 zeros
// before "cleartomark"; in hexadecimal when its first four bytes are hex digits.
std::optional<ProgramaTipo1> texto(const QByteArray& f) {
    if (!f.startsWith("%!")) return std::nullopt;
    qsizetype inicio = f.indexOf("eexec");
    if (inicio < 0) return std::nullopt;
    inicio += 5;
    while (inicio < f.size() && (f[inicio] == '\r' || f[inicio] == '\n' || f[inicio] == ' '))
        ++inicio;
    qsizetype fin = f.lastIndexOf("cleartomark");
    if (fin < inicio) fin = f.size();
    for (int ceros = 0; fin > inicio && ceros < 512; --fin)
        if (f[fin - 1] == '0')
            ++ceros;
        else if (!blanco(f[fin - 1]))
            break;
    ProgramaTipo1 p{f.left(inicio), f.mid(inicio, fin - inicio)};
    bool hex = p.cifrado.size() >= 4;
    for (int k = 0; hex && k < 4; ++k)
        hex = std::isxdigit(uint8_t(p.cifrado[k]));
    if (hex) p.cifrado = QByteArray::fromHex(p.cifrado); // blanks between the digits are skipped
    if (p.cifrado.isEmpty()) return std::nullopt;
    return p;
}

// Reads the private part's tokens; every step checks that the bytes are there.
struct Lector {
    const QByteArray& t;
    qsizetype i = 0;

    void saltaBlancos() {
        while (i < t.size() && blanco(t[i]))
            ++i;
    }
    QByteArray palabra() {
        saltaBlancos();
        const qsizetype a = i;
        while (i < t.size() && !blanco(t[i]))
            ++i;
        return t.mid(a, i - a);
    }
    std::optional<qsizetype> entero() {
        bool ok = false;
        const qsizetype n = palabra().toLongLong(&ok);
        return ok && n >= 0 ? std::optional(n) : std::nullopt;
    }
};
} // namespace

std::optional<ProgramaTipo1> ProgramaTipo1::Lee(const QByteArray& fichero) {
    return !fichero.isEmpty() && uint8_t(fichero[0]) == 0x80 ? segmentos(fichero) : texto(fichero);
}

// The CharStrings dictionary is "/CharStrings N dict dup begin", then "/name LEN RD <LEN bytes>
// ND" for each glyph, then "end". Entries kept as they are, the count put right.
ProgramaTipo1 ProgramaTipo1::conGlifos(const std::set<std::string>& nombres) const {
    const QByteArray claroPrivado = descifra(cifrado);
    Lector l{claroPrivado};
    l.i = claroPrivado.indexOf("/CharStrings");
    if (l.i < 0) return *this;
    l.i += 12;
    l.saltaBlancos();
    const qsizetype cuenta = l.i;
    if (!l.entero()) return *this;
    const qsizetype trasCuenta = l.i;
    l.i = claroPrivado.indexOf("begin", l.i);
    if (l.i < 0) return *this;
    l.i += 5;
    const qsizetype primera = l.i;
    QByteArray guardadas;
    int n = 0;
    for (;;) {
        l.saltaBlancos();
        const qsizetype entrada = l.i;
        const QByteArray nombre = l.palabra();
        if (nombre == "end") {
            l.i = entrada;
            break;
        }
        const auto largo = l.entero();
        if (!nombre.startsWith('/') || !largo || l.palabra().isEmpty()) return *this;
        if (*largo >= claroPrivado.size() - l.i) return *this;
        l.i += 1 + *largo;                          // one blank after RD, then the charstring
        if (l.palabra() == "noaccess") l.palabra(); // "ND", "|-" or "noaccess def"
        if (nombre == "/.notdef" || nombres.count(nombre.mid(1).toStdString())) {
            guardadas += claroPrivado.mid(entrada, l.i - entrada) + '\n';
            ++n;
        }
    }
    QByteArray nuevo = claroPrivado.left(cuenta) + QByteArray::number(n) +
                       claroPrivado.mid(trasCuenta, primera - trasCuenta) + '\n' + guardadas +
                       claroPrivado.mid(l.i);
    return {claro, cifra(nuevo), true};
}
