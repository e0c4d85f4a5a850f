// Drives the PDF device with arbitrary text and formats: each input is a small program of
// device operations (font, size, bold, italic, underline, position, text, line end, page break,
// picture, end or discard of the document) read from the bytes. Whatever the input, the device
// must not crash or trip a sanitizer, a finished document must be a PDF whose cross-reference
// offset points at its table, and the output must be discarded or finished, never left open.
#include "pdf/salida_documento.h"
#include "printing/dispositivo_pdf.h"
#include "shared/error.h"

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
class SalidaMemoria : public SalidaDocumento {
  public:
    void abre() override {
        if (abierta) std::abort(); // opened twice without an end
        abierta = true;
        datos.clear();
    }
    void escribe(const char* d, std::size_t n) override {
        if (!abierta) std::abort();
        datos.append(d, n);
    }
    void termina() override {
        if (!abierta) std::abort();
        abierta = false;
        compruebaPdf();
    }
    void descarta() noexcept override { abierta = false; }
    bool abierta = false;
    std::string datos;

  private:
    void compruebaPdf() const {
        const size_t marca = datos.rfind("startxref\n");
        if (datos.compare(0, 5, "%PDF-") != 0 || marca == std::string::npos) std::abort();
        const size_t xref = std::strtoull(datos.c_str() + marca + 10, nullptr, 10);
        if (datos.compare(xref, 4, "xref") != 0) std::abort();
    }
};

const char* const kFamilias[] = {"Courier New", "Ravendot",        "DejaVu Serif",
                                 "DejaVu Sans", "FuenteInventada", ""};

QCoreApplication& aplicacion() {
    static int argc = 1;
    static char nombre[] = "fuzz_pdf";
    static char* argv[] = {nombre, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    aplicacion();
    static DispositivoPdf dispositivo;
    static SalidaMemoria salida;
    static const Imagen imagen = [] { // half-transparent red, 7 x 5
        Imagen i;
        i.formato = Imagen::Formato::Rgb8;
        i.ancho = 7, i.alto = 5;
        for (int p = 0; p < 35; ++p)
            i.datos += QByteArray::fromHex("c81e1e"), i.alfa += char(128);
        i.id = Imagen::nuevoId();
        return i;
    }();
    dispositivo.ponSalida(&salida);
    dispositivo.reiniciaFormato();
    dispositivo.ponFuente(kFamilias[0]);
    size_t i = 0;
    auto byte = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    try {
        while (i < size) {
            const uint8_t op = byte();
            switch (op % 12) {
            case 0:
                dispositivo.ponFuente(kFamilias[byte() % 6]);
                break;
            case 1:
                dispositivo.ponTamano(1 + byte() % 60);
                break;
            case 2:
                dispositivo.ponNegrita(byte() & 1);
                break;
            case 3:
                dispositivo.ponCursiva(byte() & 1);
                break;
            case 4:
                dispositivo.ponSubrayado(byte() & 1);
                break;
            case 5:
                dispositivo.ponX(int(byte()) * 60);
                break;
            case 6:
                dispositivo.ponY(int(byte()) * 100);
                break;
            case 7: { // text: UTF-16 code units from the next bytes
                const size_t n = std::min<size_t>(byte() % 40, (size - i) / 2);
                QString texto;
                for (size_t k = 0; k < n; ++k, i += 2)
                    texto += QChar(char16_t(data[i] | (data[i + 1] << 8)));
                dispositivo.escribe(texto);
                break;
            }
            case 8:
                dispositivo.finLinea();
                break;
            case 9:
                dispositivo.nuevaPagina();
                break;
            case 10:
                dispositivo.dibujaImagen(imagen, byte() * 40, byte() * 40, 1 + byte() * 20,
                                         1 + byte() * 20);
                break;
            case 11:
                if (byte() & 1)
                    dispositivo.finDocumento();
                else
                    dispositivo.descartaDocumento();
                break;
            }
        }
        dispositivo.finDocumento();
    } catch (const ErrorVelmor&) {
        dispositivo.descartaDocumento();
    }
    if (salida.abierta || dispositivo.documentoAbierto()) std::abort();
    return 0;
}
