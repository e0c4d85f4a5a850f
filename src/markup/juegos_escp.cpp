#include "markup/juegos_escp.h"

#include "shared/codepage.h"

namespace {
// The twelve codes the international sets replace, in this order.
constexpr char kCodigos[] = "#$@[\\]^`{|}~";

struct Internacional {
    int numero;
    const char16_t* caracteres; // twelve, for kCodigos
};
// From Epson's ESC/P reference tables of international character sets.
constexpr Internacional kInternacionales[] = {
    {0, u"#$@[\\]^`{|}~"}, {1, u"#$à°ç§^`éùè¨"},  {2, u"#$§ÄÖÜ^`äöüß"},   {3, u"£$@[\\]^`{|}~"},
    {4, u"#$@ÆØÅ^`æøå~"},  {5, u"#¤ÉÄÖÅÜéäöåü"},  {6, u"#$@°\\é^ùàòèì"},  {7, u"₧$@¡Ñ¿^`¨ñ}~"},
    {8, u"#$@[¥]^`{|}~"},  {9, u"#¤ÉÆØÅÜéæøåü"},  {10, u"#$ÉÆØÅÜéæøåü"},  {11, u"#$á¡Ñ¿é`íñóú"},
    {12, u"#$á¡Ñ¿éüíñóú"}, {13, u"#$@[₩]^`{|}~"}, {64, u"#$§°'\"¶`©®†™"},
};

int indiceNacional(uint8_t byte) {
    for (int i = 0; i < 12; ++i)
        if (uint8_t(kCodigos[i]) == byte) return i;
    return -1;
}
} // namespace

QChar CaracterNacional(int juego, uint8_t byte) {
    const int i = indiceNacional(byte);
    if (i >= 0)
        for (const Internacional& j : kInternacionales)
            if (j.numero == juego) return QChar(j.caracteres[i]);
    return QChar(char16_t(byte));
}

JuegoEscP::JuegoEscP(const PaginasCodigo& pagina) {
    ponInternacional(0);
    ponPagina(pagina);
}

void JuegoEscP::ponInternacional(int n) {
    for (const Internacional& j : kInternacionales)
        if (j.numero == n)
            for (int i = 0; i < 12; ++i)
                nacionales_[size_t(i)] = CaracterNacional(n, uint8_t(kCodigos[i])).unicode();
}

void JuegoEscP::ponTabla(int n) {
    tablaCursiva_ = n == 0;
}

void JuegoEscP::ponPagina(const PaginasCodigo& pagina) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const QString c = pagina.aWindows(pagina.decodifica(QByteArray(1, char(b))));
        superior_[size_t(b - 0x80)] = c.isEmpty() ? u' ' : c[0].unicode();
    }
}

QChar JuegoEscP::caracter(uint8_t byte) const {
    if (byte >= 0x80) {
        if (tablaCursiva_) return caracter(uint8_t(byte - 0x80));
        return QChar(superior_[size_t(byte - 0x80)]);
    }
    const int i = indiceNacional(byte);
    return i >= 0 ? QChar(nacionales_[size_t(i)]) : QChar(char16_t(byte));
}
