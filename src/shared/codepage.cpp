#include "shared/codepage.h"
#include "shared/error.h"

#include <QRegularExpression>
#include <cerrno>
#include <iconv.h>
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

std::vector<int16_t> inversa(const std::array<char16_t, 256>& t) {
    std::vector<int16_t> inv(0x10000, -1);
    for (int b = 255; b >= 0; --b)
        inv[t[b]] = int16_t(b); // the lowest byte wins on duplicates
    return inv;
}

QByteArray nombreIconv(const QString& pagina) {
    static const QRegularExpression soloNumero("^[0-9]+$");
    return (soloNumero.match(pagina).hasMatch() ? "CP" + pagina : pagina).toLatin1();
}

} // namespace

PaginasCodigo::PaginasCodigo(const QString& paginaDos) {
    auto windows = tabla("CP1252", true);
    auto dos = paginaDos.trimmed().isEmpty() ? std::nullopt : tabla(nombreIconv(paginaDos), false);
    if (!windows || !dos)
        throw ErrorVelmor(ErrorVelmor::PaginaCodigosDesconocida,
                          QString("Página de códigos DOS desconocida: «%1» (VELMOR_CP_DOS admite "
                                  "una página de un byte como 437, 850 o 858)")
                              .arg(paginaDos));
    windows_ = *windows;
    dos_ = *dos;
    byteWindows_ = inversa(windows_);
    byteDos_ = inversa(dos_);
}

QString PaginasCodigo::paginaDosConfigurada() {
    // Set but empty is a value too (a slip in an environment file): it is refused, not ignored.
    if (!qEnvironmentVariableIsSet("VELMOR_CP_DOS")) return QStringLiteral("850");
    return QString::fromLocal8Bit(qgetenv("VELMOR_CP_DOS"));
}

const PaginasCodigo& PaginasCodigo::actuales() {
    static std::once_flag hecho;
    static std::optional<PaginasCodigo> paginas;
    static std::optional<ErrorVelmor> error;
    std::call_once(hecho, [] {
        try {
            paginas.emplace(paginaDosConfigurada());
        } catch (const ErrorVelmor& e) {
            error = e;
        }
    });
    if (error) throw *error;
    return *paginas;
}

QString PaginasCodigo::decodifica(QByteArrayView bytes) const {
    QString texto(bytes.size(), Qt::Uninitialized);
    QChar* destino = texto.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        destino[i] = QChar(windows_[static_cast<unsigned char>(bytes[i])]);
    return texto;
}

namespace {
// Each character through its byte in one table to the character of that byte in the other;
// '?' when the first table has no byte for it.
QString Traduce(const QString& texto, const std::vector<int16_t>& aByte,
                const std::array<char16_t, 256>& deByte) {
    QString resultado(texto.size(), Qt::Uninitialized);
    QChar* destino = resultado.data();
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const int16_t b = aByte[texto[i].unicode()];
        destino[i] = b < 0 ? QChar('?') : QChar(deByte[b]);
    }
    return resultado;
}
} // namespace

QString PaginasCodigo::aWindows(const QString& texto) const {
    return Traduce(texto, byteWindows_, dos_);
}
