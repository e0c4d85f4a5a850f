#include "markup/juegos_escp.h"

#include "shared/codepage.h"
#include <map>
#include <mutex>

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

// Epson's character table ids (with variant 0) and their DOS code pages, from the ESC ( t table
// of the ESC/P reference.
constexpr struct {
    int id;
    int pagina;
} kTablasEpson[] = {{1, 437},  {3, 850},  {7, 860},  {8, 863},  {9, 865}, {10, 852},
                    {11, 857}, {12, 862}, {13, 864}, {14, 866}, {24, 861}};

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
    asignaTabla(0, nullptr);
    for (int n = 1; n < 4; ++n)
        asignaTabla(n, &pagina);
}

void JuegoEscP::ponInternacional(int n) {
    for (const Internacional& j : kInternacionales)
        if (j.numero == n)
            for (int i = 0; i < 12; ++i)
                nacionales_[size_t(i)] = CaracterNacional(n, uint8_t(kCodigos[i])).unicode();
}

void JuegoEscP::ponTabla(int n) {
    if (n >= '0') n -= '0';
    if (n >= 0 && n < 4) actual_ = n;
}

void JuegoEscP::asignaTabla(int n, const PaginasCodigo* pagina) {
    if (n >= '0') n -= '0';
    if (n < 0 || n >= 4) return;
    Tabla& t = tablas_[size_t(n)];
    t.cursiva = !pagina;
    if (!pagina) return;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const QString c = pagina->aWindows(pagina->decodifica(QByteArray(1, char(b))));
        t.superior[size_t(b - 0x80)] = c.isEmpty() ? u' ' : c[0].unicode();
    }
}

QChar JuegoEscP::caracter(uint8_t byte) const {
    if (byte >= 0x80) {
        const Tabla& t = tablas_[actual_];
        if (t.cursiva) return caracter(uint8_t(byte - 0x80));
        return QChar(t.superior[size_t(byte - 0x80)]);
    }
    const int i = indiceNacional(byte);
    return i >= 0 ? QChar(nacionales_[size_t(i)]) : QChar(char16_t(byte));
}

const PaginasCodigo* PaginaDeTablaEpson(int id, int variante) {
    if (variante != 0) return nullptr;
    static std::mutex cerrojo;
    static std::map<int, std::optional<PaginasCodigo>> hechas; // each built once, kept
    for (const auto& t : kTablasEpson) {
        if (t.id != id) continue;
        const std::lock_guard<std::mutex> cierre(cerrojo);
        auto hallada = hechas.find(t.pagina);
        if (hallada == hechas.end()) // a page this iconv lacks leaves the table as it was
            hallada = hechas.emplace(t.pagina, PaginasCodigo::De(QString::number(t.pagina))).first;
        return hallada->second ? &*hallada->second : nullptr;
    }
    return nullptr;
}
