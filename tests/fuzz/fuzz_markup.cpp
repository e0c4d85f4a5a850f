// Arbitrary bytes as a whole PRT file through the markup interpreter (reader with a small line
// limit, Epson codes, form feeds, brackets, splitting); the first byte chooses the reader, the DOS
// mode and the page length. Malformed files end in ErrorVelmor; anything else is a bug.
#include "markup/interprete_prt.h"
#include "markup/segmentos.h"
#include "markup/sustituye_prt.h"
#include "shared/codepage.h"
#include "shared/error.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {
// An output that checks what reaches it: no printer code or control character is ever text.
struct SalidaComprobada : SalidaMarcado {
    double tamano_ = 10;
    bool terminado_ = false;
    void ponFuente(const QString&) override {}
    void ponNegrita(bool) override {}
    void ponCursiva(bool) override {}
    void ponSubrayado(bool) override {}
    double tamano() const override { return tamano_; }
    void ponTamano(double puntos) override {
        if (!(puntos > 0)) std::abort();
        tamano_ = qBound(1e-3, puntos, 1e6);
    }
    void texto(const QString& texto) override {
        for (QChar c : texto)
            if (c.unicode() < 0x20 && c != u'\t') std::abort();
    }
    void finLinea(int pitch) override {
        if (pitch != 0 && pitch != 7 && pitch != 9 && pitch != 11) std::abort();
    }
    void finDocumento() override {
        if (terminado_) std::abort(); // the document ends once
        terminado_ = true;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const PaginasCodigo paginas = *PaginasCodigo::De("850");
    if (size == 0) return 0;
    const uint8_t opciones = data[0];
    const QByteArrayView contenido(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    // Expansion alone keeps a line without brackets as it is, and conversion keeps its length.
    const QString linea = paginas.decodifica(contenido);
    const QString expandida = SustituyePrt(linea);
    if (!linea.contains(u'[') && expandida != linea) std::abort();
    if (paginas.aWindows(expandida).size() != expandida.size()) std::abort();
    const int fd = memfd_create("fuzz.prt", MFD_CLOEXEC);
    if (::write(fd, contenido.data(), size_t(contenido.size())) != contenido.size()) std::abort();
    const PerfilLector perfil =
        opciones & 1 ? PerfilLector::Visor() : PerfilLector::Impresora((opciones >> 2) % 8 + 1);
    InterpretePrt interprete(perfil, opciones & 2);
    interprete.ponLimiteLinea(256);
    SalidaComprobada salida;
    try {
        interprete.interpreta(QStringLiteral("/proc/self/fd/%1").arg(fd), salida);
    } catch (const ErrorVelmor& e) {
        if (e.fichero().isEmpty() || e.descripcion().isEmpty()) std::abort();
    }
    ::close(fd);
    return 0;
}
