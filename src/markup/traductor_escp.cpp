#include "markup/traductor_escp.h"

#include "markup/juegos_escp.h"
#include "markup/ordenes_escp.h"
#include "shared/paginas_actuales.h"

#include "shared/error.h"

using namespace OrdenesEscP;

namespace {
constexpr char kEsc = 0x1B;
constexpr char kSo = 0x0E, kSi = 0x0F, kDc2 = 0x12, kDc4 = 0x14;

bool activa(char n) {
    return n == 1 || n == '1';
}
} // namespace

void TraductorEscP::etiqueta(QByteArray& salida, const char* nombre) {
    salida += "{{";
    salida += nombre;
    salida += "}}";
}

// The pitch in force, then double width again when it is on: a pitch tag sets the plain size.
void TraductorEscP::tamano(QByteArray& salida) {
    if (condensado_ || paso_ == 'g')
        etiqueta(salida, "Comprimida");
    else
        etiqueta(salida, paso_ == 'M' ? "Elite" : "Pica");
    if (doble_ || dobleLinea_) etiqueta(salida, "AmpliadaOn");
}

void TraductorEscP::cuentaByte() {
    if (++bytesLinea_ > limiteLinea_)
        throw ErrorVelmor(ErrorVelmor::LineaDemasiadoLarga,
                          QStringLiteral("La línea pasa de %1 bytes, el límite de una línea "
                                         "impresa: no parece un fichero de impresión")
                              .arg(limiteLinea_));
}

// Line ends as the reader splits lines (CR, CR LF, LF), in the text only: graphics data and
// parameters may hold those bytes.
void TraductorEscP::cuentaLinea(char c) {
    if (c == '\r' || (c == '\n' && !trasCr_)) {
        ++lineas_;
        bytesLinea_ = 0;
    } else if (c != '\n') {
        cuentaByte();
    }
    trasCr_ = c == '\r';
}

void TraductorEscP::termina() const {
    const bool enDatos = estado_ == Estado::Datos || estado_ == Estado::Rle ||
                         estado_ == Estado::RleLiteral || estado_ == Estado::RleRepite;
    if (!enDatos) return;
    const QString orden =
        orden_ >= 0x21 && orden_ < 0x7f ? QString(QChar(orden_)) : QString::number(orden_);
    throw ErrorVelmor(ErrorVelmor::OrdenMalFormada,
                      QStringLiteral("La orden ESC %1 declara %2 bytes de datos y el fichero "
                                     "se acaba antes: orden de impresora mal formada, no se "
                                     "imprime")
                          .arg(orden)
                          .arg(declarados_));
}

// Most of a report is plain text: a run of printable bytes is counted and copied at once.
const char* TraductorEscP::corridaDeTexto(const char* p, const char* fin, QByteArray& salida) {
    const char* inicio = p;
    while (p != fin && (uint8_t(*p) >= 0x20 || *p == '\t' || *p == '\f'))
        ++p;
    const qsizetype n = p - inicio;
    if (n == 0) return p;
    if (bytesLinea_ + n > limiteLinea_) { // the byte past the limit raises the error
        bytesLinea_ = limiteLinea_;
        cuentaByte();
    }
    bytesLinea_ += n;
    trasCr_ = false;
    if (nacionales_.isEmpty()) {
        salida.append(inicio, n);
    } else {
        for (const char* q = inicio; q != p; ++q)
            salida += uint8_t(*q) < 0x80 ? nacionales_[uint8_t(*q)] : *q;
    }
    return p;
}

void TraductorEscP::traduce(QByteArrayView entrada, QByteArray& salida) {
    const char* p = entrada.begin();
    const char* const fin = entrada.end();
    while (p != fin) {
        if (estado_ == Estado::Texto) {
            p = corridaDeTexto(p, fin, salida);
            if (p == fin) break;
        }
        paso(*p++, salida);
    }
}

void TraductorEscP::paso(char c, QByteArray& salida) {
    if (estado_ == Estado::Texto || estado_ == Estado::Orden)
        cuentaLinea(c);
    else
        cuentaByte();
    switch (estado_) {
    case Estado::Texto:
        texto(c, salida);
        break;
    case Estado::Orden:
        orden(c, salida);
        break;
    case Estado::Parametros:
        parametros_ += c;
        if (--faltan_ == 0) completa(salida);
        break;
    case Estado::Datos:
        if (--saltar_ == 0) finDeDatos();
        break;
    case Estado::HastaNul:
        if (c == 0 || ++saltar_ >= 64) estado_ = Estado::Texto;
        break;
    case Estado::Rle:
    case Estado::RleLiteral:
    case Estado::RleRepite:
        rle(uint8_t(c));
        break;
    }
}

void TraductorEscP::texto(char c, QByteArray& salida) {
    const auto u = uint8_t(c);
    if (u >= 0x20 || c == '\t' || c == '\f') {
        salida += u < 0x80 && !nacionales_.isEmpty() ? nacionales_[u] : c;
        return;
    }
    switch (c) {
    case '\r':
    case '\n':
        if (dobleLinea_) { // SO lasts to the end of the line
            dobleLinea_ = false;
            if (!doble_) etiqueta(salida, "AmpliadaOff");
        }
        salida += c;
        break;
    case kEsc:
        estado_ = Estado::Orden;
        break;
    case kSo:
        if (!doble_ && !dobleLinea_) etiqueta(salida, "AmpliadaOn");
        dobleLinea_ = true;
        break;
    case kDc4:
        if (dobleLinea_ && !doble_) etiqueta(salida, "AmpliadaOff");
        dobleLinea_ = false;
        break;
    case kSi:
        condensado_ = true;
        tamano(salida);
        break;
    case kDc2:
        condensado_ = false;
        tamano(salida);
        break;
    default:
        break; // NUL, BEL, BS, VT, ...: nothing to print
    }
}

void TraductorEscP::orden(char c, QByteArray& salida) {
    saltar_ = 0;
    if (c == '\r' || c == '\n') { // a lone ESC at the end of a line: the line still ends
        estado_ = Estado::Texto;
        texto(c, salida);
        return;
    }
    orden_ = uint8_t(c);
    parametros_.clear();
    faltan_ = parametrosFijos(orden_);
    estado_ = Estado::Texto;
    if (faltan_ > 0) {
        estado_ = Estado::Parametros;
        return;
    }
    completa(salida);
}

void TraductorEscP::completa(QByteArray& salida) {
    estado_ = Estado::Texto;
    const QByteArray& p = parametros_;
    switch (orden_) {
    case 'C':
        if (p.size() == 1 && p[0] == 0) { // ESC C NUL n: the length in inches
            faltan_ = 1;
            estado_ = Estado::Parametros;
            return;
        }
        break;
    case '(':
    case '*':
    case '^':
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        saltar_ = datosDeclarados(orden_, p);
        break;
    case '.': {
        const int64_t bytes = datosDeclarados(orden_, p);
        if (p[0] == 1) {
            rleResta_ = declarados_ = bytes;
            estado_ = bytes > 0 ? Estado::Rle : Estado::Texto;
            return;
        }
        saltar_ = bytes;
        break;
    }
    case 'B':
    case 'D':
        saltar_ = 0;
        estado_ = Estado::HastaNul;
        return;
    case 'b':
        saltar_ = 0;
        estado_ = Estado::HastaNul;
        return;
    case '&':
        if (listaDeCaracteres_ < 0) { // "0 n m": then m - n + 1 characters
            listaDeCaracteres_ = qMax(0, int(uint8_t(p[2])) - int(uint8_t(p[1])) + 1);
        } else { // a character's "a0 a1 a2", then a1 columns of three bytes
            --listaDeCaracteres_;
            saltar_ = int64_t(uint8_t(p[1])) * 3;
        }
        if (saltar_ > 0) {
            estado_ = Estado::Datos;
            return;
        }
        finDeDatos();
        return;
    default:
        aplica(salida);
        return;
    }
    declarados_ = saltar_;
    if (estado_ == Estado::Texto && saltar_ > 0) estado_ = Estado::Datos;
    if (orden_ == 'C') aplica(salida);
}

// After a command's data: a list of user characters goes on with the next character's header.
void TraductorEscP::finDeDatos() {
    estado_ = Estado::Texto;
    saltar_ = 0;
    if (orden_ != '&') return;
    if (listaDeCaracteres_ > 0) {
        parametros_.clear();
        faltan_ = 3;
        estado_ = Estado::Parametros;
    } else {
        listaDeCaracteres_ = -1;
    }
}

void TraductorEscP::rle(uint8_t c) {
    switch (estado_) {
    case Estado::Rle:
        if (c < 128) {
            saltar_ = int64_t(c) + 1; // literal bytes
            estado_ = Estado::RleLiteral;
        } else {
            saltar_ = 257 - int64_t(c); // one byte, repeated
            estado_ = Estado::RleRepite;
        }
        return;
    case Estado::RleLiteral:
        --rleResta_;
        if (--saltar_ > 0 && rleResta_ > 0) return;
        break;
    case Estado::RleRepite:
        rleResta_ -= saltar_;
        break;
    default:
        return;
    }
    estado_ = rleResta_ > 0 ? Estado::Rle : Estado::Texto;
}

// The set's characters as bytes of the DOS code page the file is read in; a character the page
// lacks stays the byte it was.
void TraductorEscP::ponInternacional(int juego) {
    nacionales_.clear();
    if (juego == 0) return;
    const PaginasCodigo& pagina = PaginasActuales();
    for (int b = 0; b < 0x80; ++b) {
        const QChar c = CaracterNacional(juego, uint8_t(b));
        const int dos = c.unicode() == b ? -1 : pagina.byteDos(c);
        nacionales_ += char(dos >= 0 ? dos : b);
    }
}

void TraductorEscP::aplica(QByteArray& salida) {
    const QByteArray& p = parametros_;
    switch (orden_) {
    case 'R':
        ponInternacional(uint8_t(p[0]));
        break;
    case '@':
        ponInternacional(0);
        doble_ = dobleLinea_ = condensado_ = false;
        paso_ = 'P';
        etiqueta(salida, "\x01Reinicio");
        break;
    case 'E':
    case 'F':
        etiqueta(salida, orden_ == 'E' ? "NegritaOn" : "NegritaOff");
        break;
    case '4':
    case '5':
        etiqueta(salida, orden_ == '4' ? "ItalicaOn" : "ItalicaOff");
        break;
    case '-':
        etiqueta(salida, activa(p[0]) || p[0] == 2 || p[0] == '2' ? "SubrayadoOn" : "SubrayadoOff");
        break;
    case 'W': {
        const bool antes = doble_ || dobleLinea_;
        doble_ = activa(p[0]);
        if (antes != (doble_ || dobleLinea_))
            etiqueta(salida, doble_ ? "AmpliadaOn" : "AmpliadaOff");
        break;
    }
    case kSo: // ESC SO: as SO
        if (!doble_ && !dobleLinea_) etiqueta(salida, "AmpliadaOn");
        dobleLinea_ = true;
        break;
    case kSi: // ESC SI: as SI
        condensado_ = true;
        tamano(salida);
        break;
    case 'P':
    case 'M':
    case 'g':
        paso_ = char(orden_);
        tamano(salida);
        break;
    case 'C': {
        const int lineas = p.size() == 2 ? uint8_t(p[1]) * 6 : uint8_t(p[0]);
        if (lineas > 0) {
            salida += "{{\x01Lineas ";
            salida += QByteArray::number(lineas);
            salida += "}}";
        }
        break;
    }
    default:
        break; // consumed: positions, spacing, margins, character sets, ...
    }
}
