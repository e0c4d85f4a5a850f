// Arbitrary bytes through the Epson page interpreter, in reads of the size the first byte says
// (sequences cut anywhere), with a small line limit. Malformed input ends in ErrorVelmor; anything
// else (crash, hang, memory past one line or one graphics row, a broken invariant) is a bug.
#include "markup/interprete_escp.h"
#include "shared/error.h"

#include <cmath>
#include <cstdlib>

namespace {
// Checks what reaches the page: no control character is text, every position and size is finite,
// and a picture's dots are as many as its size says.
class SalidaComprobada : public SalidaEscP {
  public:
    void texto(const TextoEscP& t) override {
        if (!std::isfinite(t.x) || !std::isfinite(t.base) || !(t.formato.celda > 0) ||
            !(t.formato.puntos > 0))
            std::abort();
        for (QChar c : t.texto)
            if (c.unicode() < 0x20) std::abort();
    }
    void grafico(const GraficoEscP& g) override {
        if (g.ancho <= 0 || g.alto <= 0 || g.puntos.size() != qsizetype((g.ancho + 7) / 8) * g.alto)
            std::abort();
        // One graphics row at most: 65,535 columns of 48 dots, or 255 raster rows of 65,535.
        if (g.puntos.size() > 2 * 1024 * 1024 + 65536) std::abort();
    }
    // Proportional widths that vary by character, and none (the pitch's cell) for some.
    double avance(const FormatoEscP&, QChar c) override { return c.unicode() * 7 % 50; }
    void salto() override {}
    void hojaEnBlanco() override {}
    void finDocumento() override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t trozo = data[0] % 7 + 1;
    OpcionesEscP opciones;
    opciones.nueveAgujas = data[0] & 0x80;
    opciones.lineasPagina = data[0] % 70 + 1;
    opciones.limiteLinea = 4096;
    SalidaComprobada salida;
    InterpreteEscP interprete(opciones, salida);
    try {
        for (size_t i = 1; i < size; i += trozo)
            interprete.lee(QByteArrayView(reinterpret_cast<const char*>(data + i),
                                          qsizetype(std::min(trozo, size - i))));
        interprete.termina();
    } catch (const ErrorVelmor& e) {
        if (e.descripcion().isEmpty()) std::abort();
    }
    return 0;
}
