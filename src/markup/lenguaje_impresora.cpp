#include "markup/lenguaje_impresora.h"

namespace {
constexpr char kEsc = 0x1B;

bool minuscula(char c) {
    return c >= 'a' && c <= 'z';
}
bool cifra(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+';
}

// The start of the file past blanks, a byte order mark and the Ctrl-D some drivers put first.
QByteArrayView sinPreambulo(QByteArrayView b) {
    if (b.startsWith("\xEF\xBB\xBF")) b = b.sliced(3);
    while (!b.isEmpty() && (b.front() == 0x04 || b.front() == ' ' || b.front() == '\r' ||
                            b.front() == '\n' || b.front() == '\t'))
        b = b.sliced(1);
    return b;
}

// Escape sequences only PCL spells: parameterised commands ("ESC & l 26 A", "ESC ( s 0 p",
// "ESC ( 8 U", "ESC * t 300 R", "ESC % 1 B"), whose group letter and digits Epson never puts
// there (its "ESC &" is followed by NUL, its "ESC (" by a binary length, its "ESC *" by a density
// below 74).
int ordenesPcl(QByteArrayView b) {
    int n = 0;
    for (qsizetype i = 0; i + 3 < b.size(); ++i) {
        if (b[i] != kEsc) continue;
        const char g = b[i + 1], a = b[i + 2], c = b[i + 3];
        if ((g == '&' || g == '*') && minuscula(a) && cifra(c))
            ++n;
        else if ((g == '(' || g == ')') && ((a == 's' && cifra(c)) || (cifra(a) && a != '-')))
            ++n;
        else if (g == '%' && cifra(a) && (c == 'B' || c == 'A' || cifra(c)))
            ++n;
    }
    return n;
}

// IBM Proprinter codes that differ from Epson's: "ESC :" (12 cpi) without Epson's NUL after it,
// and the "ESC [" family (ESC [ @ double height, ESC [ \ units, ESC [ K initialisation...).
int ordenesProprinter(QByteArrayView b) {
    int n = 0;
    for (qsizetype i = 0; i + 2 < b.size(); ++i) {
        if (b[i] != kEsc) continue;
        const char g = b[i + 1], a = b[i + 2];
        if ((g == ':' && a != 0) ||
            (g == '[' && (a == '@' || a == '\\' || a == 'K' || a == 'T' || a == 'g' || a == 'I')))
            ++n;
    }
    return n;
}

// A plotter instruction at `i`: two capitals, at most 40 bytes of parameters (no ';', and no
// capital when `soloParametros`), then ';'. Where the next one begins, or -1.
qsizetype instruccionHpGl(QByteArrayView b, qsizetype i, bool soloParametros) {
    const auto mayuscula = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (i + 2 > b.size() || !mayuscula(b[i]) || !mayuscula(b[i + 1])) return -1;
    for (qsizetype j = i + 2; j < b.size() && j <= i + 2 + 40; ++j) {
        if (b[j] == ';') return j + 1;
        if (soloParametros && mayuscula(b[j])) return -1;
    }
    return -1;
}

// Plotter instructions from the first byte: "IN;", "BP;", "IN;SP1;PU0,0;..." with no escape.
bool esHpGl(QByteArrayView b) {
    if (!b.startsWith("BP") && !b.startsWith("IN")) return false;
    qsizetype i = instruccionHpGl(b, 0, false);
    for (int n = 0; n < 2 && i >= 0; ++n)
        i = instruccionHpGl(b, i, true);
    return i >= 0;
}

// The end of the file before the blanks, form feeds, NULs and Ctrl-D a driver leaves after it.
QByteArrayView sinFinal(QByteArrayView b) {
    while (!b.isEmpty() && (b.back() == 0 || b.back() == 0x04 || b.back() == '\f' ||
                            b.back() == ' ' || b.back() == '\r' || b.back() == '\n'))
        b.chop(1);
    return b;
}

// Only "ESC E" for escape sequences, and no Epson control code for type.
bool soloEscE(QByteArrayView b) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        const char c = b[i];
        if (c == 0x0E || c == 0x0F || c == 0x12 || c == 0x14) return false;
        if (c == kEsc && i + 1 < b.size() && b[i + 1] != 'E') return false;
    }
    return true;
}

// A PCL job with no command but its resets, as PCL jobs are written: "ESC E" first and last,
// text between. In ESC/P, ESC E is bold on, which a file ends with no more than it turns bold on
// twice without ever turning it off: an Epson file that uses ESC E and no other code does not
// end with it.
bool soloReiniciosPcl(QByteArrayView inicio, QByteArrayView cabecera, QByteArrayView cola) {
    const QByteArrayView fin = sinFinal(cola.isEmpty() ? cabecera : cola);
    return inicio.startsWith("\x1B"
                             "E") &&
           fin.size() > 2 &&
           fin.endsWith("\x1B"
                        "E") &&
           soloEscE(cabecera) && soloEscE(cola);
}

bool tieneMarcado(QByteArrayView b) {
    return b.indexOf("{{") >= 0;
}

bool tieneCodigos(QByteArrayView b) {
    for (const char c : b)
        if (c == kEsc || c == 0x0E || c == 0x0F || c == 0x12 || c == 0x14) return true;
    return false;
}
} // namespace

Lenguaje DetectaLenguaje(QByteArrayView cabecera, QByteArrayView cola) {
    const QByteArrayView b = cabecera.first(qMin(cabecera.size(), kCabeceraLenguaje));
    const QByteArrayView inicio = sinPreambulo(b);
    if (inicio.startsWith("%PDF-")) return Lenguaje::Pdf;
    if (inicio.startsWith("%!")) return Lenguaje::PostScript;
    if (inicio.startsWith("\x1B%-12345X")) {
        const qsizetype idioma = b.indexOf("LANGUAGE");
        if (idioma >= 0 &&
            b.sliced(idioma).first(qMin<qsizetype>(40, b.size() - idioma)).indexOf("POSTSCRIPT") >=
                0)
            return Lenguaje::PostScript;
        if (idioma >= 0 &&
            b.sliced(idioma).first(qMin<qsizetype>(40, b.size() - idioma)).indexOf("PDF") >= 0)
            return Lenguaje::Pdf;
        return Lenguaje::Pcl;
    }
    if (tieneMarcado(b)) return Lenguaje::Marcado;
    const int pcl = ordenesPcl(b);
    if (pcl >= 2 || (pcl == 1 && inicio.startsWith("\x1B"
                                                   "E")))
        return Lenguaje::Pcl;
    if (soloReiniciosPcl(inicio, b, cola)) return Lenguaje::Pcl;
    if (esHpGl(inicio)) return Lenguaje::HpGl;
    if (ordenesProprinter(b) > 0) return Lenguaje::Proprinter;
    return tieneCodigos(b) ? Lenguaje::EscP : Lenguaje::Marcado;
}

bool Rechazado(Lenguaje lenguaje) {
    return lenguaje != Lenguaje::Marcado && lenguaje != Lenguaje::EscP;
}

QString MotivoRechazo(Lenguaje lenguaje, const QString& nombreVisible) {
    QString que;
    switch (lenguaje) {
    case Lenguaje::Pcl:
        que = QStringLiteral("un trabajo PCL para impresoras láser");
        break;
    case Lenguaje::PostScript:
        que = QStringLiteral("un trabajo PostScript");
        break;
    case Lenguaje::Pdf:
        que = QStringLiteral("un documento PDF");
        break;
    case Lenguaje::HpGl:
        que = QStringLiteral("un trabajo HP-GL/2 para trazadores");
        break;
    case Lenguaje::Proprinter:
        que = QStringLiteral("un trabajo para impresoras IBM Proprinter");
        break;
    case Lenguaje::Marcado:
    case Lenguaje::EscP:
        return {};
    }
    return QStringLiteral("«%1» es %2; Velmor no lo imprime. El fichero se conserva.")
        .arg(nombreVisible, que);
}
