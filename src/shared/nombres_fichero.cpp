#include "shared/nombres_fichero.h"

#include "shared/codepage.h"

namespace {
constexpr char16_t kEscape = 0xDC80; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

// Length of the valid UTF-8 sequence that starts at p, or 0 when it is not one (overlong forms,
// surrogates and code points past U+10FFFF are not valid).
int largoUtf8(const unsigned char* p, qsizetype quedan) {
    const unsigned char c = p[0];
    int largo;
    char32_t minimo, cp;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0)
        largo = 2, minimo = 0x80, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
        largo = 3, minimo = 0x800, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
        largo = 4, minimo = 0x10000, cp = c & 0x07;
    else
        return 0;
    if (quedan < largo) return 0;
    for (int i = 1; i < largo; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return largo;
}

bool esEscape(QChar c) {
    return c.unicode() >= kEscape && c.unicode() <= kEscape + 0x7F;
}
} // namespace

QString NombreDeBytes(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString nombre;
    nombre.reserve(n);
    // Runs of valid UTF-8 are decoded whole; each byte between them becomes its lone surrogate.
    qsizetype inicio = 0;
    for (qsizetype i = 0; i <= n;) {
        const int largo = i < n ? largoUtf8(p + i, n - i) : 0;
        if (largo > 0) {
            i += largo;
            continue;
        }
        nombre += QString::fromUtf8(reinterpret_cast<const char*>(p + inicio), i - inicio);
        if (i < n) nombre += QChar(char16_t(kEscape + (p[i] - 0x80)));
        inicio = ++i;
    }
    return nombre;
}

QByteArray BytesDeNombre(QStringView nombre) {
    QByteArray bytes;
    bytes.reserve(nombre.size());
    qsizetype inicio = 0;
    for (qsizetype i = 0; i <= nombre.size(); ++i) {
        if (i < nombre.size() && !esEscape(nombre[i])) continue;
        bytes += nombre.mid(inicio, i - inicio).toUtf8();
        if (i < nombre.size()) bytes += char(0x80 + (nombre[i].unicode() - kEscape));
        inicio = i + 1;
    }
    return bytes;
}

QString NombreVisible(QStringView nombre) {
    QString visible;
    visible.reserve(nombre.size());
    for (qsizetype i = 0; i < nombre.size();) {
        if (!esEscape(nombre[i])) {
            visible += nombre[i++];
            continue;
        }
        QByteArray crudos;
        while (i < nombre.size() && esEscape(nombre[i]))
            crudos += char(0x80 + (nombre[i++].unicode() - kEscape));
        if (const PaginasCodigo* paginas = PaginasCodigo::configuradas())
            visible += paginas->aWindows(paginas->decodifica(crudos));
        else
            visible += QString(crudos.size(), QChar::ReplacementCharacter);
    }
    return visible;
}

QString CarpetaDe(QStringView ruta) {
    const qsizetype barra = ruta.lastIndexOf(u'/');
    if (barra < 0) return QStringLiteral(".");
    return barra == 0 ? QStringLiteral("/") : ruta.left(barra).toString();
}

QString NombreDe(QStringView ruta) {
    return ruta.mid(ruta.lastIndexOf(u'/') + 1).toString();
}

bool EsNombrePrt(QByteArrayView nombre) {
    return nombre.size() > 4 && !nombre.startsWith('.') &&
           nombre.last(4).compare(".prt", Qt::CaseInsensitive) == 0;
}
