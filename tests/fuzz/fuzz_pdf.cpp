// Drives the PDF device with a small program of device operations read from the bytes (font, size,
// bold, italic, underline, position, text, line end, page break, picture, end or discard of the
// document). It must not crash or trip a sanitizer; a finished document is a PDF whose
// cross-reference offset points at its table; the output ends discarded or finished, never open.
#include "pdf/salida_documento.h"
#include "printing/dispositivo_pdf.h"
#include "shared/error.h"

#include <QCoreApplication>
#include <cstdlib>
#include <functional>
#include <string>

namespace {
// The document in memory; a bad sequence of calls or a finished document that is no PDF aborts.
struct SalidaMemoria : SalidaDocumento {
    bool abierta = false;
    std::string d;
    void abre() override { exige(!abierta), abierta = true, d.clear(); }
    void escribe(const char* p, std::size_t n) override { exige(abierta), d.append(p, n); }
    void descarta() noexcept override { abierta = false; }
    void termina() override {
        exige(abierta), abierta = false;
        const size_t marca = d.rfind("startxref\n");
        exige(d.starts_with("%PDF-") && marca != std::string::npos);
        exige(d.compare(std::strtoull(d.c_str() + marca + 10, nullptr, 10), 4, "xref") == 0);
    }
    static void exige(bool cierto) {
        if (!cierto) std::abort();
    }
};

using Byte = std::function<uint8_t()>;
const char* const kFamilias[] = {"Courier New", "Ravendot",        "DejaVu Serif",
                                 "DejaVu Sans", "FuenteInventada", ""};
const std::function<void(DispositivoPdf&, const Byte&)> kOperaciones[] = {
    [](auto& d, auto& b) { d.ponFuente(kFamilias[b() % 6]); },
    [](auto& d, auto& b) { d.ponTamano(1 + b() % 60); },
    [](auto& d, auto& b) { d.ponNegrita(b() & 1); },
    [](auto& d, auto& b) { d.ponCursiva(b() & 1); },
    [](auto& d, auto& b) { d.ponSubrayado(b() & 1); },
    [](auto& d, auto& b) { d.ponX(int(b()) * 60); },
    [](auto& d, auto& b) { d.ponY(int(b()) * 100); },
    [](auto& d, auto& b) { // text: UTF-16 code units from the next bytes
        QString texto(b() % 40, QChar());
        for (QChar& c : texto)
            c = QChar(char16_t(b() | b() << 8));
        d.escribe(texto);
    },
    [](auto& d, auto&) { d.finLinea(); },
    [](auto& d, auto&) { d.nuevaPagina(); },
    [](auto& d, auto& b) {
        static const Imagen imagen = [] { // half-transparent red, 7 x 5
            Imagen i;
            i.formato = Imagen::Formato::Rgb8, i.ancho = 7, i.alto = 5;
            for (int p = 0; p < 35; ++p)
                i.datos += QByteArray::fromHex("c81e1e"), i.alfa += char(128);
            return i.id = Imagen::nuevoId(), i;
        }();
        d.dibujaImagen(imagen, b() * 40, b() * 40, 1 + b() * 20, 1 + b() * 20);
    },
    [](auto& d, auto& b) { b() & 1 ? d.finDocumento() : d.descartaDocumento(); },
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("fuzz_pdf"), nullptr};
    static QCoreApplication app(argc, argv);
    static DispositivoPdf dispositivo;
    static SalidaMemoria salida;
    dispositivo.ponSalida(&salida);
    dispositivo.reiniciaFormato();
    dispositivo.ponFuente(kFamilias[0]);
    size_t i = 0;
    const Byte byte = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    try {
        while (i < size)
            kOperaciones[byte() % 12](dispositivo, byte);
        dispositivo.finDocumento();
    } catch (const ErrorVelmor&) {
        dispositivo.descartaDocumento();
    }
    SalidaMemoria::exige(!salida.abierta && !dispositivo.documentoAbierto());
    return 0;
}
