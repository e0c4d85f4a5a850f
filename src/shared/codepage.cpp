#include "shared/codepage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// The character a single byte stands for in the given iconv code page, or nothing.
std::optional<char16_t> caracterDeByte(iconv_t cd, unsigned char byte) {
    char entrada = char(byte);
    char32_t salida = 0;
    char* pEntrada = &entrada;
    char* pSalida = reinterpret_cast<char*>(&salida);
    size_t quedaEntrada = 1, quedaSalida = sizeof salida;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &pEntrada, &quedaEntrada, &pSalida, &quedaSalida) == size_t(-1) ||
        quedaSalida != 0 || salida > 0xFFFF)
        return std::nullopt;
    return char16_t(salida);
}

// Byte -> character table of a single-byte code page; bytes iconv cannot map become the
// character of the same value (so Windows-1252 stays a bijection).
std::optional<std::array<char16_t, 256>> tabla(const QByteArray& nombre, bool rellenaHuecos) {
    iconv_t cd = iconv_open("UTF-32LE", nombre.constData());
    if (cd == iconv_t(-1)) return std::nullopt;
    std::array<char16_t, 256> t{};
    bool completa = true;
    for (int b = 0; b < 256; ++b) {
        auto c = caracterDeByte(cd, static_cast<unsigned char>(b));
        if (c)
            t[b] = *c;
        else if (rellenaHuecos)
            t[b] = char16_t(b);
        else
            completa = false;
    }
    iconv_close(cd);
    if (!completa) return std::nullopt;
    return t;
}

QByteArray nombreIconv(const QString& pagina) {
    const bool soloNumero =
        !pagina.isEmpty() &&
        std::all_of(pagina.begin(), pagina.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return (soloNumero ? "CP" + pagina : pagina).toLatin1();
}

} // namespace

InversaPagina::InversaPagina(const std::array<char16_t, 256>& pagina) {
    for (int b = 255; b >= 0; --b) { // the lowest byte wins on duplicates
        uint16_t& n = bloque_[pagina[b] >> 8];
        if (!n) {
            bloques_.emplace_back().fill(-1);
            n = uint16_t(bloques_.size());
        }
        bloques_[n - 1][pagina[b] & 0xFF] = int16_t(b);
    }
}

std::optional<PaginasCodigo> PaginasCodigo::De(const QString& paginaDos) {
    auto windows = tabla("CP1252", true);
    auto dos = paginaDos.trimmed().isEmpty() ? std::nullopt : tabla(nombreIconv(paginaDos), false);
    if (!windows || !dos) return std::nullopt;
    PaginasCodigo p;
    p.windows_ = *windows;
    p.dos_ = *dos;
    p.byteWindows_ = InversaPagina(p.windows_);
    p.byteDos_ = InversaPagina(p.dos_);
    for (char16_t c = 0; c < p.bajos_.size(); ++c)
        p.bajos_[c] = p.enDos(c);
    return p;
}

namespace {
struct Eleccion {
    std::mutex cerrojo;
    QString elegida;
    bool sobreEntorno = false;
    std::map<QString, std::unique_ptr<PaginasCodigo>> hechas; // never emptied: see configuradas()
};
Eleccion& LaEleccion() {
    static Eleccion eleccion;
    return eleccion;
}
} // namespace

bool PaginasCodigo::fijadaPorEntorno() {
    Eleccion& e = LaEleccion();
    const std::lock_guard<std::mutex> cierre(e.cerrojo);
    return !e.sobreEntorno && qEnvironmentVariableIsSet("VELMOR_CP_DOS");
}

void PaginasCodigo::ponElegida(const QString& paginaDos, bool sobreEntorno) {
    Eleccion& e = LaEleccion();
    const std::lock_guard<std::mutex> cierre(e.cerrojo);
    e.elegida = paginaDos;
    e.sobreEntorno = sobreEntorno;
}

QString PaginasCodigo::paginaDosConfigurada() {
    if (!fijadaPorEntorno()) {
        Eleccion& e = LaEleccion();
        const std::lock_guard<std::mutex> cierre(e.cerrojo);
        return e.elegida.isNull() ? QStringLiteral("850") : e.elegida;
    }
    // Set but empty is a value too (a slip in an environment file): it is refused, not ignored.
    return QString::fromLocal8Bit(qgetenv("VELMOR_CP_DOS"));
}

const PaginasCodigo* PaginasCodigo::configuradas() {
    const QString nombre = paginaDosConfigurada();
    Eleccion& e = LaEleccion();
    const std::lock_guard<std::mutex> cierre(e.cerrojo);
    auto hallada = e.hechas.find(nombre);
    if (hallada == e.hechas.end()) {
        auto hechas = De(nombre);
        hallada = e.hechas
                      .emplace(nombre, hechas ? std::make_unique<PaginasCodigo>(std::move(*hechas))
                                              : nullptr)
                      .first;
    }
    return hallada->second.get();
}

QStringList PaginasCodigo::conocidas() {
    static const QStringList paginas = [] {
        // The DOS (OEM) pages and the Windows ones a DOS program may have written.
        const int candidatas[] = {437,  720,  737,  775,  850,  852,  855,  856,  857,  858,
                                  860,  861,  862,  863,  864,  865,  866,  869,  874,  922,
                                  1125, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
        QStringList conocidas;
        for (int n : candidatas) {
            if (tabla(nombreIconv(QString::number(n)), false)) conocidas << QString::number(n);
        }
        return conocidas;
    }();
    return paginas;
}

QString PaginasCodigo::decodifica(QByteArrayView bytes) const {
    QString texto(bytes.size(), Qt::Uninitialized);
    QChar* destino = texto.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        destino[i] = QChar(windows_[static_cast<unsigned char>(bytes[i])]);
    return texto;
}

// The character through its Windows-1252 byte to the DOS character of that byte; '?' when
// Windows-1252 has no byte for it.
char16_t PaginasCodigo::enDos(char16_t c) const {
    const int b = byteWindows_[c];
    return b < 0 ? u'?' : dos_[size_t(b)];
}

// The lower half, most of any text, from a table of its own.
QString PaginasCodigo::aWindows(const QString& texto) const {
    QString resultado(texto.size(), Qt::Uninitialized);
    QChar* destino = resultado.data();
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = texto[i].unicode();
        destino[i] = QChar(c < bajos_.size() ? bajos_[c] : enDos(c));
    }
    return resultado;
}
