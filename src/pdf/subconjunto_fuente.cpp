#include "pdf/subconjunto_fuente.h"

#include <QtEndian>
#include <array>
#include <hb-subset.h>
#include <memory>

namespace {
// Tables an embedded font may use; the subsetter drops what a PDF reader does not need.
constexpr std::array<const char*, 14> kTablas = {"CFF ", "OS/2", "cmap", "cvt ", "fpgm",
                                                 "glyf", "head", "hhea", "hmtx", "loca",
                                                 "maxp", "name", "post", "prep"};

void anade32(QByteArray& b, quint32 v) {
    char c[4];
    qToBigEndian(v, c);
    b.append(c, 4);
}
void anade16(QByteArray& b, quint16 v) {
    char c[2];
    qToBigEndian(v, c);
    b.append(c, 2);
}

struct Borra {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
    void operator()(hb_subset_input_t* i) const { hb_subset_input_destroy(i); }
};
} // namespace

bool SubconjuntoFuente::esTrueType(const QRawFont& cara) {
    return !cara.fontTable("glyf").isEmpty();
}

QByteArray SubconjuntoFuente::sfnt(const QRawFont& cara) {
    std::vector<std::pair<const char*, QByteArray>> tablas; // kTablas is in tag order
    for (const char* tag : kTablas) {
        QByteArray t = cara.fontTable(tag);
        if (!t.isEmpty()) tablas.emplace_back(tag, std::move(t));
    }
    if (tablas.empty()) return {};
    const quint16 n = quint16(tablas.size());
    quint16 potencia = 1, log2 = 0;
    while (potencia * 2 <= n)
        potencia *= 2, ++log2;
    QByteArray b;
    anade32(b, esTrueType(cara) ? 0x00010000u : 0x4F54544Fu); // 'OTTO' for CFF outlines
    anade16(b, n);
    anade16(b, quint16(potencia * 16));
    anade16(b, log2);
    anade16(b, quint16(n * 16 - potencia * 16));
    quint32 offset = 12 + 16 * n;
    for (const auto& [tag, t] : tablas) {
        b.append(tag, 4);
        // No checksum: the subsetter reads the tables without one and writes its own; summing
        // every glyph's bytes only to be thrown away cost more than the subsetting itself.
        anade32(b, 0);
        anade32(b, offset);
        anade32(b, quint32(t.size()));
        offset += quint32((t.size() + 3) & ~3);
    }
    for (const auto& [tag, t] : tablas) {
        b.append(t);
        b.append((4 - t.size() % 4) % 4, '\0');
    }
    return b;
}

QByteArray SubconjuntoFuente::crea(const QRawFont& cara, const std::vector<uint32_t>& glifos) {
    const QByteArray fichero = sfnt(cara);
    if (fichero.isEmpty()) return {};
    std::unique_ptr<hb_blob_t, Borra> blob(hb_blob_create(
        fichero.constData(), unsigned(fichero.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    std::unique_ptr<hb_face_t, Borra> face(hb_face_create(blob.get(), 0));
    std::unique_ptr<hb_subset_input_t, Borra> entrada(hb_subset_input_create_or_fail());
    if (!entrada) return {};
    hb_set_t* conjunto = hb_subset_input_glyph_set(entrada.get());
    for (uint32_t g : glifos)
        hb_set_add(conjunto, g);
    hb_subset_input_set_flags(entrada.get(), HB_SUBSET_FLAGS_RETAIN_GIDS |
                                                 HB_SUBSET_FLAGS_NO_HINTING |
                                                 HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    std::unique_ptr<hb_face_t, Borra> sub(hb_subset_or_fail(face.get(), entrada.get()));
    if (!sub) return {};
    std::unique_ptr<hb_blob_t, Borra> resultado(hb_face_reference_blob(sub.get()));
    unsigned int n = 0;
    const char* datos = hb_blob_get_data(resultado.get(), &n);
    return QByteArray(datos, qsizetype(n));
}
