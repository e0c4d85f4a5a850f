#include "pdf/subconjunto_fuente.h"

#include "pdf/cara_fuente.h"
#include <algorithm>
#include <array>
#include <hb-subset.h>
#include <memory>

namespace {
// Tables an embedded font may use; the others are dropped.
constexpr std::array<hb_tag_t, 14> kTablas = {
    HB_TAG('C', 'F', 'F', ' '), HB_TAG('O', 'S', '/', '2'), HB_TAG('c', 'm', 'a', 'p'),
    HB_TAG('c', 'v', 't', ' '), HB_TAG('f', 'p', 'g', 'm'), HB_TAG('g', 'l', 'y', 'f'),
    HB_TAG('h', 'e', 'a', 'd'), HB_TAG('h', 'h', 'e', 'a'), HB_TAG('h', 'm', 't', 'x'),
    HB_TAG('l', 'o', 'c', 'a'), HB_TAG('m', 'a', 'x', 'p'), HB_TAG('n', 'a', 'm', 'e'),
    HB_TAG('p', 'o', 's', 't'), HB_TAG('p', 'r', 'e', 'p')};

struct Borra {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
    void operator()(hb_subset_input_t* i) const { hb_subset_input_destroy(i); }
};
} // namespace

QByteArray SubconjuntoFuente::crea(const CaraFuente& cara, const std::vector<uint32_t>& glifos) {
    if (cara.formato() != CaraFuente::Formato::TrueType &&
        cara.formato() != CaraFuente::Formato::Cff)
        return {};
    std::unique_ptr<hb_subset_input_t, Borra> entrada(hb_subset_input_create_or_fail());
    if (!entrada) return {};
    hb_set_t* conjunto = hb_subset_input_glyph_set(entrada.get());
    for (uint32_t g : glifos)
        hb_set_add(conjunto, g);
    hb_set_t* fuera = hb_subset_input_set(entrada.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    hb_tag_t etiquetas[64];
    unsigned inicio = 0, n = 64;
    while (n == 64) {
        n = 64;
        hb_face_get_table_tags(cara.caraHb(), inicio, &n, etiquetas);
        for (unsigned i = 0; i < n; ++i)
            if (std::find(kTablas.begin(), kTablas.end(), etiquetas[i]) == kTablas.end())
                hb_set_add(fuera, etiquetas[i]);
        inicio += n;
    }
    hb_subset_input_set_flags(entrada.get(), HB_SUBSET_FLAGS_RETAIN_GIDS |
                                                 HB_SUBSET_FLAGS_NO_HINTING |
                                                 HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    std::unique_ptr<hb_face_t, Borra> sub(hb_subset_or_fail(cara.caraHb(), entrada.get()));
    if (!sub) return {};
    std::unique_ptr<hb_blob_t, Borra> resultado(hb_face_reference_blob(sub.get()));
    unsigned int tamano = 0;
    const char* datos = hb_blob_get_data(resultado.get(), &tamano);
    return QByteArray(datos, qsizetype(tamano));
}
