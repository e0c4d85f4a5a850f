#include "pdf/fuente_pdf.h"

#include "pdf/cara_fuente.h"
#include "pdf/escritor_pdf.h"
#include "pdf/programa_tipo1.h"
#include "pdf/subconjunto_fuente.h"
#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace {
quint16 u16(const std::string& t, size_t o) {
    return o + 2 <= t.size() ? qFromBigEndian<quint16>(t.data() + o) : 0;
}
qint16 s16(const std::string& t, size_t o) {
    return qint16(u16(t, o));
}

void hex4(BufferPdf& b, uint32_t v) {
    static const char digitos[] = "0123456789ABCDEF";
    const char c[4] = {digitos[(v >> 12) & 15], digitos[(v >> 8) & 15], digitos[(v >> 4) & 15],
                       digitos[v & 15]};
    b.anade(std::string_view(c, 4));
}

void utf16(BufferPdf& b, char32_t c) {
    if (c < 0x10000) {
        hex4(b, c);
        return;
    }
    c -= 0x10000;
    hex4(b, 0xD800 + (c >> 10));
    hex4(b, 0xDC00 + (c & 0x3FF));
}

constexpr std::string_view kCabeceraCMap =
    "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
    "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n";

void hex2(BufferPdf& b, uint32_t v) {
    static const char digitos[] = "0123456789ABCDEF";
    const char c[2] = {digitos[(v >> 4) & 15], digitos[v & 15]};
    b.anade(std::string_view(c, 2));
}

// A glyph name as a PDF name: what is not a plain printable character written as #XX.
void nombrePdf(BufferPdf& b, const std::string& nombre) {
    b.anade('/');
    for (char c : nombre) {
        if (c > ' ' && c < 127 && !strchr("()<>[]{}/%#", c)) {
            b.anade(c);
        } else {
            b.anade('#');
            hex2(b, uint8_t(c));
        }
    }
}
constexpr std::string_view kPieCMap =
    "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
} // namespace

FuentePdf::FuentePdf(std::shared_ptr<CaraFuente> cara, int indice)
    : cara_(std::move(cara)), indice_(indice) {
    leeMetricas();
}

FuentePdf::~FuentePdf() = default;

void FuentePdf::leeMetricas() {
    if (simple()) return leeMetricasTipo1();
    const std::string head = cara_->tabla("head"), hhea = cara_->tabla("hhea"),
                      maxp = cara_->tabla("maxp"), hmtx = cara_->tabla("hmtx"),
                      os2 = cara_->tabla("OS/2"), post = cara_->tabla("post");
    unidades_ = std::max<int>(16, u16(head, 18));
    for (int i = 0; i < 4; ++i)
        caja_[i] = s16(head, 36 + 2 * i) * 1000 / unidades_;
    ascenso_ = s16(hhea, 4) * 1000 / unidades_;
    descenso_ = s16(hhea, 6) * 1000 / unidades_;
    mayusculas_ = u16(os2, 0) >= 2 ? s16(os2, 88) * 1000 / unidades_ : ascenso_;
    angulo_ = s16(post, 4);
    fija_ = post.size() >= 16 && qFromBigEndian<quint32>(post.data() + 12) != 0;
    negrita_ = cara_->negrita();
    cursiva_ = cara_->cursiva();
    const int glifos = u16(maxp, 4), metricas = u16(hhea, 34);
    avances_.assign(size_t(glifos), 0);
    for (int g = 0; g < glifos; ++g)
        avances_[size_t(g)] = u16(hmtx, 4 * std::min(g, std::max(metricas - 1, 0)));
    usados_.assign(size_t(glifos), 0);
    caracteres_.assign(size_t(glifos), 0);
}

// A Type 1 face has no tables: FreeType reads its metrics and advances from the program.
void FuentePdf::leeMetricasTipo1() {
    QFile f(QString::fromStdString(cara_->fichero()));
    if (f.open(QIODevice::ReadOnly)) programa_ = ProgramaTipo1::Lee(f.readAll());
    if (!programa_) return; // a program that cannot be embedded: drawn as outlines
    const CaraFuente::Diseno d = cara_->diseno();
    unidades_ = std::max(16, cara_->unidades());
    for (int i = 0; i < 4; ++i)
        caja_[i] = d.caja[i] * 1000 / unidades_;
    ascenso_ = d.ascenso * 1000 / unidades_;
    descenso_ = d.descenso * 1000 / unidades_;
    mayusculas_ = ascenso_;
    angulo_ = d.angulo;
    fija_ = d.fija;
    negrita_ = cara_->negrita();
    cursiva_ = cara_->cursiva();
    const unsigned glifos = cara_->numGlifos();
    avances_.resize(glifos);
    for (unsigned g = 0; g < glifos; ++g)
        avances_[g] = uint16_t(std::clamp(cara_->avanceDiseno(g), 0, 65535));
    usados_.assign(glifos, 0);
    caracteres_.assign(glifos, 0);
    codigos_.assign(glifos, -1);
    admite(0); // code 0 is .notdef's, so that the font is whole even before any glyph
}

bool FuentePdf::admite(uint32_t glifo) {
    if (!simple()) return true;
    if (glifo >= codigos_.size()) return false;
    if (codigos_[glifo] >= 0) return true;
    if (porCodigo_.size() >= 256) return false;
    codigos_[glifo] = int16_t(porCodigo_.size());
    porCodigo_.push_back(glifo);
    return true;
}

void FuentePdf::usa(uint32_t glifo, const std::u32string& texto) {
    if (texto.size() == 1) return usa(glifo, texto[0]);
    if (glifo >= usados_.size()) return;
    usados_[glifo] = 1;
    if (!texto.empty() && !caracteres_[glifo] && !varios_.count(glifo)) varios_[glifo] = texto;
}

std::vector<uint32_t> FuentePdf::glifosUsados() const {
    std::vector<uint32_t> g{0}; // .notdef is always kept
    for (uint32_t i = 1; i < usados_.size(); ++i)
        if (usados_[i]) g.push_back(i);
    return g;
}

QByteArray FuentePdf::nombrePostScript() const {
    QByteArray nombre;
    const QByteArray fuente = QByteArray::fromStdString(cara_->familia() + '-' + cara_->estilo());
    for (char c : fuente)
        if (c > ' ' && c < 127 && !strchr("()<>[]{}/%#", c)) nombre += c;
    // A subset's name starts with six capitals that differ with the glyphs it holds.
    const auto g = glifosUsados();
    const QByteArray suma = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(g.data()), qsizetype(g.size() * 4)),
        QCryptographicHash::Md5);
    QByteArray etiqueta;
    for (int i = 0; i < 6; ++i)
        etiqueta += char('A' + quint8(suma[i]) % 26);
    return etiqueta + '+' + nombre;
}

void FuentePdf::escribe(EscritorPdf& pdf) const {
    if (simple()) {
        const int descriptor = pdf.reserva();
        escribeSimple(pdf, descriptor, escribeToUnicode(pdf));
        return;
    }
    const int cid = pdf.reserva(), descriptor = pdf.reserva();
    const int programa = escribePrograma(pdf);
    const int toUnicode = escribeToUnicode(pdf);
    const QByteArray nombre = nombrePostScript();
    BufferPdf& b = pdf.abre(objeto_);
    b.anade("<< /Type /Font /Subtype /Type0 /BaseFont /");
    b.anade(nombre.toStdString());
    b.anade(" /Encoding /Identity-H /DescendantFonts [");
    b.entero(cid);
    b.anade(" 0 R] /ToUnicode ");
    b.entero(toUnicode);
    b.anade(" 0 R >>");
    pdf.cierra();
    escribeDescriptor(pdf, descriptor, programa, nombre);
    escribeCidFont(pdf, cid, descriptor);
}

void FuentePdf::escribeSimple(EscritorPdf& pdf, int descriptor, int toUnicode) const {
    std::set<std::string> nombres;
    for (uint32_t g : porCodigo_) {
        nombres.insert(cara_->nombreGlifo(g));
        for (uint32_t parte : cara_->componentes(g)) // an accented glyph's letter and accent
            nombres.insert(cara_->nombreGlifo(parte));
    }
    const ProgramaTipo1 subconjunto = programa_->conGlifos(nombres);
    const int programa = pdf.reserva();
    BufferPdf& p = pdf.abre(programa);
    p.anade("<< /Length1 ");
    p.entero(subconjunto.claro.size());
    p.anade(" /Length2 ");
    p.entero(subconjunto.cifrado.size());
    p.anade(" /Length3 0 ");
    const QByteArray todo = subconjunto.claro + subconjunto.cifrado;
    pdf.stream(std::string_view(todo.constData(), size_t(todo.size())), true);
    // A subset is named with a tag of six capitals, as the CID fonts are.
    const QByteArray nombre = (subconjunto.subconjunto ? nombrePostScript().left(7) : "") +
                              QByteArray::fromStdString(cara_->nombrePostScript());
    escribeDescriptor(pdf, descriptor, programa, nombre);

    BufferPdf& b = pdf.abre(objeto_);
    b.anade("<< /Type /Font /Subtype /Type1 /BaseFont /");
    b.anade(nombre.toStdString());
    b.anade(" /FirstChar 0 /LastChar ");
    b.entero(std::max<long long>(0, static_cast<long long>(porCodigo_.size()) - 1));
    b.anade(" /Widths [");
    for (uint32_t g : porCodigo_) {
        b.decimal(ancho(g));
        b.anade(' ');
    }
    b.anade("] /Encoding << /Type /Encoding /Differences [0");
    for (uint32_t g : porCodigo_)
        nombrePdf(b, cara_->nombreGlifo(g));
    b.anade("] >> /FontDescriptor ");
    b.entero(descriptor);
    b.anade(" 0 R /ToUnicode ");
    b.entero(toUnicode);
    b.anade(" 0 R >>");
    pdf.cierra();
}

void FuentePdf::escribeCidFont(EscritorPdf& pdf, int cid, int descriptor) const {
    const auto glifos = glifosUsados();
    // The default width is an integer: the glyphs of any other width are listed.
    std::map<long, int> frecuencia;
    for (uint32_t g : glifos)
        ++frecuencia[std::lround(ancho(g) * 1000)];
    const long comun = std::max_element(frecuencia.begin(), frecuencia.end(), [](auto& a, auto& b) {
                           return a.second < b.second;
                       })->first;
    const long defecto = std::lround(comun / 1000.0);
    BufferPdf& b = pdf.abre(cid);
    b.anade((cara_->formato() == CaraFuente::Formato::TrueType)
                ? "<< /Type /Font /Subtype /CIDFontType2"
                : "<< /Type /Font /Subtype /CIDFontType0");
    b.anade(" /BaseFont /");
    b.anade(nombrePostScript().toStdString());
    b.anade(" /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
            " /FontDescriptor ");
    b.entero(descriptor);
    b.anade(" 0 R /DW ");
    b.entero(defecto);
    b.anade(" /W [");
    uint32_t siguiente = 0; // the glyph that would continue the open group
    bool abierto = false;
    for (uint32_t g : glifos) {
        if (std::lround(ancho(g) * 1000) == defecto * 1000) continue;
        if (!abierto || g != siguiente) {
            if (abierto) b.anade("] ");
            b.entero(g);
            b.anade(" [");
            abierto = true;
        } else {
            b.anade(' ');
        }
        b.decimal(ancho(g));
        siguiente = g + 1;
    }
    if (abierto) b.anade(']');
    b.anade("]");
    if ((cara_->formato() == CaraFuente::Formato::TrueType)) b.anade(" /CIDToGIDMap /Identity");
    b.anade(" >>");
    pdf.cierra();
}

void FuentePdf::escribeDescriptor(EscritorPdf& pdf, int descriptor, int programa,
                                  const QByteArray& nombre) const {
    BufferPdf& b = pdf.abre(descriptor);
    b.anade("<< /Type /FontDescriptor /FontName /");
    b.anade(nombre.toStdString());
    // Symbolic: the glyphs are chosen by id, not by a standard encoding.
    b.anade(" /Flags ");
    b.entero(4 | (fija_ ? 1 : 0) | (cursiva_ ? 64 : 0));
    b.anade(" /FontBBox [");
    for (int i = 0; i < 4; ++i) {
        b.entero(caja_[i]);
        b.anade(i < 3 ? " " : "]");
    }
    b.anade(" /ItalicAngle ");
    b.entero(angulo_);
    b.anade(" /Ascent ");
    b.entero(ascenso_);
    b.anade(" /Descent ");
    b.entero(descenso_);
    b.anade(" /CapHeight ");
    b.entero(mayusculas_);
    b.anade(" /StemV ");
    b.entero(negrita_ ? 120 : 80);
    if (programa) {
        b.anade(cara_->formato() == CaraFuente::Formato::TrueType ? " /FontFile2 "
                : simple()                                        ? " /FontFile "
                                                                  : " /FontFile3 ");
        b.entero(programa);
        b.anade(" 0 R");
    }
    b.anade(" >>");
    pdf.cierra();
}

int FuentePdf::escribePrograma(EscritorPdf& pdf) const {
    const QByteArray programa = SubconjuntoFuente::crea(*cara_, glifosUsados());
    if (programa.isEmpty()) return 0;
    const int n = pdf.reserva();
    BufferPdf& b = pdf.abre(n);
    if ((cara_->formato() == CaraFuente::Formato::TrueType)) {
        b.anade("<< /Length1 ");
        b.entero(programa.size());
        b.anade(' ');
    } else {
        b.anade("<< /Subtype /OpenType ");
    }
    pdf.stream(std::string_view(programa.constData(), size_t(programa.size())), true);
    return n;
}

int FuentePdf::escribeToUnicode(EscritorPdf& pdf) const {
    BufferPdf cmap;
    cmap.anade(kCabeceraCMap);
    cmap.anade(simple() ? "<00> <FF>\nendcodespacerange\n" : "<0000> <FFFF>\nendcodespacerange\n");
    std::vector<uint32_t> conTexto;
    for (uint32_t g = 0; g < caracteres_.size(); ++g)
        if (usados_[g] && (caracteres_[g] || varios_.count(g)) && (!simple() || codigos_[g] >= 0))
            conTexto.push_back(g);
    for (size_t i = 0; i < conTexto.size(); i += 100) {
        const size_t n = std::min<size_t>(100, conTexto.size() - i);
        cmap.entero(static_cast<long long>(n));
        cmap.anade(" beginbfchar\n");
        for (size_t k = i; k < i + n; ++k) {
            cmap.anade('<');
            if (simple())
                hex2(cmap, codigo(conTexto[k]));
            else
                hex4(cmap, conTexto[k]);
            cmap.anade("> <");
            if (const char32_t c = caracteres_[conTexto[k]])
                utf16(cmap, c);
            else
                for (char32_t v : varios_.at(conTexto[k]))
                    utf16(cmap, v);
            cmap.anade(">\n");
        }
        cmap.anade("endbfchar\n");
    }
    cmap.anade(kPieCMap);
    const int n = pdf.reserva();
    pdf.abre(n).anade("<< ");
    pdf.stream(cmap.datos(), true);
    return n;
}
