// Feeds arbitrary bytes, read as a PRT line, through expansion and splitting. Malformed lines
// must end in ErrorVelmor; anything else (crash, hang, sanitizer report, broken invariant) is a
// bug.
#include "markup/segments.h"
#include "markup/sustituye_prt.h"
#include "shared/codepage.h"
#include "shared/error.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const PaginasCodigo paginas("850");
    const QString linea =
        paginas.decodifica(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString expandida = SustituyePrt(linea);
    if (!linea.contains(u'[') && expandida != linea) std::abort();
    if (paginas.aWindows(expandida).size() != expandida.size()) std::abort();
    try {
        Segmentos segmentos(expandida);
        qsizetype consumido = 0;
        while (auto s = segmentos.siguiente()) {
            consumido += s->texto.size();
            if (consumido > expandida.size()) std::abort();
        }
    } catch (const ErrorVelmor&) {
    }
    return 0;
}
