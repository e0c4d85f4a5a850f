#include "markup/interprete_escp.h"

#include "markup/interprete_prt.h"
#include "markup/ordenes_escp.h"
#include "shared/error.h"
#include "shared/paginas_actuales.h"
#include <algorithm>
#include <cmath>

using namespace OrdenesEscP;

namespace {
constexpr uint8_t kEsc = 0x1B;
constexpr qsizetype kBloque = 64 * 1024;
constexpr double kPulgada = 360;
constexpr double kPuntos = 12;  // pica characters are 12-point Courier: 0.1 inch a character
constexpr double kAscenso = 40; // from the top of the line to its baseline
constexpr double kCeldaPica = 36, kCeldaElite = 30, kCelda15 = 24;
constexpr double kCondensadaPica = 21, kCondensadaElite = 18; // 17.1 and 20 cpi

bool activa(uint8_t n) {
    return n == 1 || n == '1';
}

int16_t conSigno(const QByteArray& p, int desde) {
    return int16_t(uint16_t(columnas(p, desde)));
}

// Horizontal dots per inch of "ESC * m", 24-pin and 9-pin; 0 for a density the printer lacks.
double densidadH(uint8_t m, bool nueve) {
    switch (m) {
    case 0:
    case 32:
        return 60;
    case 1:
    case 2:
    case 33:
        return 120;
    case 3:
        return 240;
    case 4:
        return 80;
    case 5:
        return nueve ? 72 : 0;
    case 6:
    case 38:
        return 90;
    case 7:
        return nueve ? 144 : 0;
    case 39:
    case 71:
        return 180;
    case 40:
    case 72:
    case 73:
        return 360;
    default:
        return 0;
    }
}

// Columns of dots, each `bytes` bytes with its top dot the first byte's top bit, as rows of a bit
// image (each row ceil(columnas / 8) bytes, the leftmost dot the top bit).
QByteArray filasDeColumnas(const QByteArray& datos, int columnas, int puntos, int bytes) {
    const int fila = (columnas + 7) / 8;
    QByteArray filas(qsizetype(fila) * puntos, '\0');
    for (int c = 0; c < columnas; ++c)
        for (int b = 0; b < bytes; ++b) {
            const qsizetype i = qsizetype(c) * bytes + b;
            const auto byte = i < datos.size() ? uint8_t(datos[i]) : uint8_t(0);
            for (int bit = 0; bit < 8 && b * 8 + bit < puntos; ++bit)
                if (byte & (0x80 >> bit))
                    filas[qsizetype(b * 8 + bit) * fila + c / 8] |= char(0x80 >> (c % 8));
        }
    return filas;
}

QString familia(uint8_t n, bool modoDos) {
    switch (n) {
    case 0:
        return QStringLiteral("Liberation Serif"); // Roman
    case 1:
        return QStringLiteral("Liberation Sans"); // Sans serif
    default:
        return modoDos ? InterpretePrt::Ravendot : InterpretePrt::CourierNew;
    }
}
} // namespace

// The type settings ESC @ puts back.
struct InterpreteEscP::Modo {
    char paso = 'P'; // 'P' pica, 'M' elite, 'g' 15 cpi
    bool condensado = false, doble = false, dobleLinea = false, dobleAlto = false;
    bool negrita = false, cursiva = false, subrayado = false;
    int indice = 0; // 0 normal, 1 superscript, 2 subscript
    bool proporcional = false;
    bool propios = false;  // ESC % 1: the user-defined characters where they are defined
    bool borrador = false; // ESC x 0: draft quality (user-defined characters in 1/120 inch)
    int extra = 0;         // ESC SP: space after each character, in 1/180 (9-pin 1/120) inch
    QString fuente;
};

// A user-defined character: its dots as a bit image, the blank columns before and after them
// (24-pin), or where its proportional width begins and ends and whether it is a descender (9-pin
// draft).
struct InterpreteEscP::CaracterPropio {
    bool definido = false, nueve = false;
    int columnas = 0, puntos = 0;
    QByteArray filas;
    int antes = 0, despues = 0;
    bool bajo = false;
};

InterpreteEscP::InterpreteEscP(OpcionesEscP opciones, SalidaEscP& salida)
    : opciones_(opciones), salida_(salida),
      juego_(opciones.modoDos ? PaginasDe(QStringLiteral("1252")) : PaginasActuales()),
      modo_(std::make_unique<Modo>()), propios_(256) {
    reinicia();
    largo_ = std::max(1, opciones_.lineasPagina) * 60.0;
}

InterpreteEscP::~InterpreteEscP() = default;

void InterpreteEscP::reinicia() {
    vuelcaTrozo();
    *modo_ = Modo{};
    modo_->fuente = familia(2, opciones_.modoDos);
    margenIzq_ = margenDer_ = 0;
    espacio_ = 60;
    unidadH_ = unidadV_ = 0;
    tabulaciones_.clear();
    tabulacionesPropias_ = false;
    tabulacionesV_.clear();
    juego_.ponInternacional(0);
    juego_.ponTabla(1);
}

IdentidadFichero InterpreteEscP::interpreta(const QString& ruta) {
    FicheroRegular fichero(ruta, FicheroRegular::Clase::Prt);
    QByteArray bloque(kBloque, Qt::Uninitialized);
    try {
        while (const qint64 n = fichero.lee(bloque.data(), kBloque))
            lee(QByteArrayView(bloque.constData(), n));
        termina();
    } catch (const ErrorVelmor& e) {
        throw e.en(ruta, linea());
    }
    fichero.compruebaIntacto();
    salida_.finDocumento();
    return fichero.identidad();
}

// ---- Reading the commands -------------------------------------------------------------------

void InterpreteEscP::cuentaByte() {
    if (++bytesLinea_ > opciones_.limiteLinea)
        throw ErrorVelmor(ErrorVelmor::LineaDemasiadoLarga,
                          QStringLiteral("La línea pasa de %1 bytes, el límite de una línea "
                                         "impresa: no parece un fichero de impresión")
                              .arg(opciones_.limiteLinea));
}

void InterpreteEscP::cuentaLinea(uint8_t c) {
    if (c == '\r' || (c == '\n' && !trasCr_)) {
        ++lineas_;
        bytesLinea_ = 0;
    } else if (c != '\n') {
        cuentaByte();
    }
    trasCr_ = c == '\r';
}

void InterpreteEscP::lee(QByteArrayView bytes) {
    for (const char ch : bytes) {
        const auto c = uint8_t(ch);
        if (estado_ == Estado::Texto || estado_ == Estado::Orden)
            cuentaLinea(c);
        else
            cuentaByte();
        switch (estado_) {
        case Estado::Texto:
            byteDeTexto(c);
            break;
        case Estado::Orden:
            orden(c);
            break;
        case Estado::Parametros:
            parametros_ += char(c);
            if (--faltan_ == 0) parametrosCompletos();
            break;
        case Estado::Datos:
            if (guardar_) datos_ += char(c);
            if (--saltar_ == 0) {
                estado_ = Estado::Texto;
                ejecuta();
            }
            break;
        case Estado::HastaNul:
            if (c == 0 || datos_.size() >= 64) {
                estado_ = Estado::Texto;
                ejecuta();
            } else {
                datos_ += char(c);
            }
            break;
        case Estado::Rle:
            datoRle(c);
            break;
        }
    }
}

void InterpreteEscP::termina() {
    if (orden_ == '&' && listaDeCaracteres_ >= 0 && estado_ != Estado::Texto)
        throw ErrorVelmor(ErrorVelmor::OrdenMalFormada,
                          QStringLiteral("La orden ESC & declara %1 caracteres propios y el "
                                         "fichero se acaba antes: orden de impresora mal "
                                         "formada, no se imprime")
                              .arg(caracteresDeclarados_));
    if (estado_ == Estado::Datos || estado_ == Estado::Rle) {
        const QString orden =
            orden_ >= 0x21 && orden_ < 0x7f ? QString(QChar(orden_)) : QString::number(orden_);
        throw ErrorVelmor(ErrorVelmor::OrdenMalFormada,
                          QStringLiteral("La orden ESC %1 declara %2 bytes de datos y el fichero "
                                         "se acaba antes: orden de impresora mal formada, no se "
                                         "imprime")
                              .arg(orden)
                              .arg(declarados_));
    }
    vuelcaTrozo();
}

void InterpreteEscP::orden(uint8_t c) {
    estado_ = Estado::Texto;
    if (c == '\r' || c == '\n') { // a lone ESC at the end of a line: the line still ends
        byteDeTexto(c);
        return;
    }
    orden_ = c;
    parametros_.clear();
    faltan_ = parametrosFijos(c);
    if (faltan_ > 0)
        estado_ = Estado::Parametros;
    else
        parametrosCompletos();
}

// The data a command's parameters declare, kept for the commands that draw with it.
void InterpreteEscP::parametrosCompletos() {
    estado_ = Estado::Texto;
    const QByteArray& p = parametros_;
    datos_.clear();
    saltar_ = 0;
    guardar_ = true;
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
    case '.':
        saltar_ = datosDeclarados(orden_, p);
        if (p[0] == 1 && saltar_ > 0) {
            declarados_ = saltar_;
            rleCuenta_ = true;
            estado_ = Estado::Rle;
            return;
        }
        break;
    case 'B':
    case 'D':
    case 'b':
        estado_ = Estado::HastaNul;
        return;
    case '&':
        cabeceraPropios_ = listaDeCaracteres_ < 0;
        if (cabeceraPropios_) { // "0 n m": then m - n + 1 characters
            codigoPropio_ = uint8_t(p[1]);
            listaDeCaracteres_ = qMax(0, int(uint8_t(p[2])) - int(uint8_t(p[1])) + 1);
            caracteresDeclarados_ = listaDeCaracteres_;
        } else { // 24-pin "a0 a1 a2" and a1 columns of 3 bytes (2 in super/subscript); 9-pin
                 // "a0" and 11 columns of one byte
            --listaDeCaracteres_;
            saltar_ = opciones_.nueveAgujas ? 11 : int64_t(uint8_t(p[1])) * (modo_->indice ? 2 : 3);
        }
        break;
    default:
        break;
    }
    declarados_ = saltar_;
    if (saltar_ > 0)
        estado_ = Estado::Datos;
    else
        ejecuta();
}

// Run-length graphics: a counter byte, then its literal bytes or the one byte it repeats.
void InterpreteEscP::datoRle(uint8_t c) {
    if (rleCuenta_) {
        rleRepite_ = c >= 128;
        rleTramo_ = rleRepite_ ? 257 - int64_t(c) : int64_t(c) + 1;
        rleCuenta_ = false;
        return;
    }
    const int64_t veces = rleRepite_ ? std::min(rleTramo_, saltar_) : 1;
    datos_.append(qsizetype(veces), char(c));
    saltar_ -= veces;
    rleTramo_ = rleRepite_ ? 0 : rleTramo_ - 1;
    if (rleTramo_ == 0) rleCuenta_ = true;
    if (saltar_ <= 0) {
        estado_ = Estado::Texto;
        ejecuta();
    }
}

// ---- Text and controls ----------------------------------------------------------------------

void InterpreteEscP::byteDeTexto(uint8_t c) {
    if (c == kEsc) {
        estado_ = Estado::Orden;
        return;
    }
    if (c < 0x20 || c == 0x7F) {
        control(c);
        return;
    }
    if (c >= 0x80 && c < 0xA0 && juego_.cursivaDeTabla(c)) return; // control codes again
    if (const CaracterPropio* p = propio(c)) {
        dibujaPropio(*p);
        return;
    }
    caracter(juego_.caracter(c), juego_.cursivaDeTabla(c));
}

void InterpreteEscP::control(uint8_t c) {
    Modo& m = *modo_;
    switch (c) {
    case '\r':
        vuelcaTrozo();
        x_ = margenIzq_;
        m.dobleLinea = false;
        break;
    case '\n':
        vuelcaTrozo();
        x_ = margenIzq_;
        m.dobleLinea = false;
        avanzaLinea(espacio_);
        break;
    case '\f':
        vuelcaTrozo();
        m.dobleLinea = false;
        nuevaPagina(true);
        break;
    case '\t': {
        vuelcaTrozo();
        const double paso = kCeldaPica * 8; // the default stops do not follow the pitch
        double siguiente = -1;
        if (!tabulacionesPropias_)
            siguiente = margenIzq_ + (std::floor((x_ - margenIzq_) / paso + 1e-9) + 1) * paso;
        for (double t : tabulaciones_)
            if (margenIzq_ + t > x_ + 1e-9) {
                siguiente = margenIzq_ + t;
                break;
            }
        if (siguiente >= 0) x_ = siguiente;
        break;
    }
    case 0x0B: { // VT: the next vertical tab, a line feed when none is set
        vuelcaTrozo();
        x_ = margenIzq_;
        const auto t = std::find_if(tabulacionesV_.begin(), tabulacionesV_.end(),
                                    [&](double v) { return v > y_ + 1e-9; });
        if (tabulacionesV_.empty())
            avanzaLinea(espacio_);
        else if (t == tabulacionesV_.end())
            nuevaPagina(true);
        else
            avanzaLinea(*t - y_);
        break;
    }
    case 0x08: // BS: back one character, to overprint
        vuelcaTrozo();
        x_ = std::max(margenIzq_, x_ - ultimaCelda_);
        break;
    case 0x0E:
        vuelcaTrozo();
        m.dobleLinea = true;
        break;
    case 0x14:
        vuelcaTrozo();
        m.dobleLinea = false;
        break;
    case 0x0F:
        vuelcaTrozo();
        m.condensado = true;
        break;
    case 0x12:
        vuelcaTrozo();
        m.condensado = false;
        break;
    default:
        break; // NUL, BEL, CAN, DEL...: nothing on paper
    }
}

// The pitch's cell; proportional spacing keeps 10 cpi columns for tabs and margins.
double InterpreteEscP::celdaBase() const {
    const Modo& m = *modo_;
    if (m.proporcional) return kCeldaPica;
    if (m.paso == 'g') return kCelda15;
    if (m.condensado) return m.paso == 'M' ? kCondensadaElite : kCondensadaPica;
    return m.paso == 'M' ? kCeldaElite : kCeldaPica;
}

double InterpreteEscP::ancho() const {
    return celdaBase() * (modo_->doble || modo_->dobleLinea ? 2 : 1);
}

FormatoEscP InterpreteEscP::formato() const {
    const Modo& m = *modo_;
    FormatoEscP f;
    f.fuente = m.fuente;
    if (m.proporcional && m.fuente == familia(2, opciones_.modoDos))
        f.fuente = familia(0, opciones_.modoDos); // no fixed face has proportional widths
    f.puntos = kPuntos * (m.dobleAlto ? 2 : 1) * (m.indice ? 2.0 / 3 : 1);
    f.celda = ancho();
    f.negrita = m.negrita;
    f.cursiva = m.cursiva;
    f.subrayado = m.subrayado;
    return f;
}

// The baseline of the characters in the current mode: double height grows down from the line's
// top, as the head prints it; superscripts sit high and subscripts low in the line.
double InterpreteEscP::base() const {
    const Modo& m = *modo_;
    if (m.indice == 1) return y_ + kAscenso * 2 / 3;
    if (m.indice == 2) return y_ + kAscenso + 6;
    return y_ + kAscenso * (m.dobleAlto ? 2 : 1);
}

// ESC SP's space after each character, doubled with the character's width.
double InterpreteEscP::espacioExtra() const {
    const Modo& m = *modo_;
    return m.extra * kPulgada / (opciones_.nueveAgujas ? 120 : 180) *
           (m.doble || m.dobleLinea ? 2 : 1);
}

// The cell the character is drawn in (into f) and how far it moves the print position. In
// proportional spacing the move is the face's own advance and the cell is the face's digit, so
// that the glyph keeps its own width.
double InterpreteEscP::mide(FormatoEscP& f, QChar c) {
    double avance = f.celda;
    if (modo_->proporcional) {
        const double doble = f.celda / celdaBase(), cero = salida_.avance(f, u'0');
        if (cero > 0) {
            f.celda = cero * doble;
            avance = std::max(0.0, salida_.avance(f, c)) * doble;
        }
    }
    return avance + espacioExtra();
}

// Past the right margin: the character goes to the next line.
void InterpreteEscP::saltaSiNoCabe(double avance) {
    if (margenDer_ > 0 && x_ + avance > margenDer_ + 1e-9) {
        vuelcaTrozo();
        x_ = margenIzq_;
        avanzaLinea(espacio_);
    }
}

// A proportional character's underline, as long as its advance: the device underlines a cell,
// which is the face's digit there. A line of the face's usual weight, below the baseline.
void InterpreteEscP::subraya(const FormatoEscP& f, double avance) {
    const double em = f.puntos * 5; // 1/360 inch in a point
    GraficoEscP g;
    g.ancho = g.alto = 1;
    g.puntos = QByteArray(1, char(0x80));
    g.x = x_;
    g.y = base() + em * 0.1;
    g.anchoUnidades = avance;
    g.altoUnidades = em * 0.05;
    marca();
    salida_.grafico(g);
}

void InterpreteEscP::caracter(QChar c, bool cursivaDeTabla) {
    FormatoEscP f = formato();
    f.cursiva = f.cursiva || cursivaDeTabla;
    const double avance = mide(f, c);
    saltaSiNoCabe(avance);
    if (modo_->proporcional && f.subrayado && avance > 0) {
        f.subrayado = false;
        subraya(f, avance);
    }
    const double b = base();
    const bool sigue = !trozo_.texto.isEmpty() && trozo_.formato == f && trozo_.base == b &&
                       std::abs(trozo_.x + trozo_.texto.size() * f.celda - x_) < 1e-6;
    if (!sigue) {
        vuelcaTrozo();
        trozo_.x = x_;
        trozo_.base = b;
        trozo_.formato = f;
    }
    trozo_.texto += c;
    x_ += avance;
    ultimaCelda_ = avance;
}

// ---- User-defined characters ----------------------------------------------------------------

// The user-defined character the byte prints: while ESC % 1 is on, the one of its code; with
// table 2, the upper half prints those of the lower half.
const InterpreteEscP::CaracterPropio* InterpreteEscP::propio(uint8_t c) const {
    if (!modo_->propios) return nullptr;
    if (c >= 0x80 && juego_.tabla() == 2) c -= 0x80;
    const CaracterPropio& p = propios_[c];
    return p.definido ? &p : nullptr;
}

// The parameters and columns of one character of an ESC & list, for the next code.
void InterpreteEscP::definePropio() {
    CaracterPropio& c = propios_[codigoPropio_++];
    const auto p = [&](int i) { return int(uint8_t(parametros_[i])); };
    c = CaracterPropio{};
    c.definido = true;
    c.nueve = opciones_.nueveAgujas;
    if (c.nueve) { // the attribute: descender, then first and last column of its width
        c.columnas = 11, c.puntos = 8;
        c.bajo = p(0) & 0x80;
        c.antes = (p(0) >> 4) & 7;
        c.despues = std::max(c.antes, p(0) & 0x0F);
        c.filas = filasDeColumnas(datos_, 11, 8, 1);
    } else {
        c.antes = p(0), c.columnas = p(1), c.despues = p(2);
        const int bytes = modo_->indice ? 2 : 3;
        c.puntos = bytes * 8;
        c.filas = filasDeColumnas(datos_, c.columnas, c.puntos, bytes);
    }
}

// A user-defined character in its cell: columns of 1/360 inch (in draft and 9-pin 1/120 inch,
// twelve to the pica cell) at the pitch it is printed in, dots of 1/180 inch (9-pin 1/72 inch) down
// from the top of the line; in proportional spacing, as wide as its own columns.
void InterpreteEscP::dibujaPropio(const CaracterPropio& c) {
    vuelcaTrozo();
    const Modo& m = *modo_;
    const double doble = m.doble || m.dobleLinea ? 2 : 1;
    const double nativa = m.paso == 'g' ? kCelda15 : m.paso == 'M' ? kCeldaElite : kCeldaPica;
    double columna = 0, avance = 0, desde = 0;
    if (c.nueve) {
        columna = m.proporcional ? kPulgada / 120 * doble : ancho() / 12;
        desde = m.proporcional ? -c.antes * columna : 0;
        avance = m.proporcional ? (c.despues - c.antes + 1) * columna : ancho();
    } else {
        const double porPulgada = m.borrador ? 120 : 360; // a 24-pin draft cell is 12 columns
        columna = m.proporcional ? kPulgada / porPulgada * doble
                                 : ancho() / (nativa * porPulgada / kPulgada);
        desde = c.antes * columna;
        avance = m.proporcional ? (c.antes + c.columnas + c.despues) * columna : ancho();
    }
    avance += espacioExtra();
    saltaSiNoCabe(avance);
    const double alto = (c.nueve ? kPulgada / 72 : kPulgada / 180) * (m.dobleAlto ? 2 : 1);
    GraficoEscP g;
    g.ancho = c.columnas;
    g.alto = c.puntos;
    g.puntos = c.filas;
    g.x = x_ + desde;
    g.y = y_ + (c.bajo ? alto : 0);
    g.anchoUnidades = c.columnas * columna;
    g.altoUnidades = c.puntos * alto;
    if (g.ancho > 0 && std::any_of(g.puntos.begin(), g.puntos.end(), [](char b) { return b; })) {
        marca();
        salida_.grafico(g);
    }
    x_ += avance;
    ultimaCelda_ = avance;
}

void InterpreteEscP::vuelcaTrozo() {
    if (trozo_.texto.isEmpty()) return;
    marca();
    salida_.texto(trozo_);
    trozo_.texto.clear();
}

// Something is put on the page: a page ended before begins now.
void InterpreteEscP::marca() {
    if (saltoPendiente_) {
        saltoPendiente_ = false;
        salida_.salto();
    }
    marcasEnPagina_ = true;
}

// ESC $ and ESC \\ never move outside the margins: the printer ignores them then.
void InterpreteEscP::muevePosicion(double x) {
    if (x < margenIzq_ - 1e-9 || (margenDer_ > 0 && x > margenDer_ + 1e-9)) return;
    x_ = x;
}

void InterpreteEscP::avanzaLinea(double cuanto) {
    y_ = std::max(0.0, y_ + cuanto); // a move up stops at the top of the page
    if (y_ >= largo_ - 1e-9) nuevaPagina(false);
}

// The page ends, by a form feed or by running past its length. As on a printer, a form feed on
// a sheet that is already at its top after a full page (or at the start) does nothing, while one
// on a sheet the file's own form feed began ejects it blank.
void InterpreteEscP::nuevaPagina(bool porAvance) {
    vuelcaTrozo();
    x_ = margenIzq_;
    y_ = 0;
    if (marcasEnPagina_) {
        saltoPendiente_ = true;
    } else if (!porAvance || paginaDelFichero_) { // the paper went through a page left blank
        if (saltoPendiente_) salida_.salto();
        salida_.hojaEnBlanco();
        saltoPendiente_ = true;
    } else {
        return;
    }
    marcasEnPagina_ = false;
    paginaDelFichero_ = porAvance;
}

// ---- Commands -------------------------------------------------------------------------------

void InterpreteEscP::ejecuta() {
    const QByteArray& p = parametros_;
    const auto n = p.isEmpty() ? uint8_t(0) : uint8_t(p[0]);
    const bool nueve = opciones_.nueveAgujas;
    Modo& m = *modo_;
    if (orden_ != '(' && orden_ != '$' && orden_ != '\\') vuelcaTrozo();
    switch (orden_) {
    case '@':
        reinicia();
        break;
    case 'E':
    case 'G':
        m.negrita = true;
        break; // double strike prints as bold
    case 'F':
    case 'H':
        m.negrita = false;
        break;
    case '4':
        m.cursiva = true;
        break;
    case '5':
        m.cursiva = false;
        break;
    case '-':
        m.subrayado = activa(n) || n == 2 || n == '2';
        break;
    case 'W':
        m.doble = activa(n);
        break;
    case 'w':
        m.dobleAlto = activa(n);
        break;
    case 0x0E:
        m.dobleLinea = true;
        break;
    case 0x0F:
        m.condensado = true;
        break;
    case 'P':
    case 'M':
    case 'g':
        m.paso = char(orden_);
        break;
    case 'S':
        m.indice = (n == 1 || n == '1') ? 2 : 1;
        break;
    case 'T':
        m.indice = 0;
        break;
    case 'k':
        m.fuente = familia(n, opciones_.modoDos);
        break;
    case '!': // master select: elite, proportional, condensed, bold, double strike, double
              // width, italic, underline
        m.paso = (n & 1) ? 'M' : 'P';
        m.proporcional = n & 2;
        m.condensado = n & 4;
        m.negrita = n & (8 | 16);
        m.doble = n & 32;
        m.cursiva = n & 64;
        m.subrayado = n & 128;
        break;
    case 'R':
        juego_.ponInternacional(n);
        break;
    case 'p':
        m.proporcional = activa(n);
        break;
    case ' ':
        m.extra = n;
        break;
    case '%':
        m.propios = activa(n);
        break;
    case 'x':
        m.borrador = !activa(n);
        break;
    case ':': // the ROM characters copied to the user-defined set: the ROM's glyphs again
        std::fill(propios_.begin(), propios_.end(), CaracterPropio{});
        break;
    case 't':
        juego_.ponTabla(n);
        break;
    case '$': // absolute, from the left margin, in 1/60 inch
        vuelcaTrozo();
        muevePosicion(margenIzq_ + columnas(p, 0) * (unidadH_ > 0 ? unidadH_ : kPulgada / 60));
        break;
    case '\\': // relative, in 1/180 inch (24-pin) or 1/120 inch (9-pin)
        vuelcaTrozo();
        muevePosicion(x_ +
                      conSigno(p, 0) * (unidadH_ > 0 ? unidadH_ : kPulgada / (nueve ? 120 : 180)));
        break;
    case 'l':
        margenIzq_ = n * celdaBase(), x_ = std::max(x_, margenIzq_);
        break;
    case 'Q':
        margenDer_ = n * celdaBase();
        break;
    case 'D':
        tabulaciones_.clear();
        tabulacionesPropias_ = true;
        for (const char c : datos_)
            if (tabulaciones_.empty() || uint8_t(c) * celdaBase() > tabulaciones_.back())
                tabulaciones_.push_back(uint8_t(c) * celdaBase());
        break;
    case 'B':
        tabulacionesV_.clear();
        for (const char c : datos_)
            tabulacionesV_.push_back(uint8_t(c) * espacio_);
        break;
    case '0':
        espacio_ = kPulgada / 8;
        break;
    case '1':
        espacio_ = kPulgada * 7 / 72;
        break;
    case '2':
        espacio_ = kPulgada / 6;
        break;
    case '3':
        espacio_ = n * kPulgada / (nueve ? 216 : 180);
        break;
    case 'A':
        espacio_ = n * kPulgada / (nueve ? 72 : 60);
        break;
    case '+':
        espacio_ = n;
        break;
    case 'J':
        avanzaLinea(n * kPulgada / (nueve ? 216 : 180));
        break;
    case 'C': // the page length, and the current line becomes the top of the form
        if (marcasEnPagina_ && y_ > 0) {
            const double x = x_;
            nuevaPagina(false);
            x_ = x;
        }
        y_ = 0;
        largo_ = p.size() == 2 ? uint8_t(p[1]) * kPulgada : n * espacio_;
        if (largo_ <= 0) largo_ = opciones_.lineasPagina * 60.0;
        break;
    case 'K':
        grafico(int(columnas(p, 0)), 8, 1, 60, 0);
        break;
    case 'L':
        grafico(int(columnas(p, 0)), 8, 1, 120, 0);
        break;
    case 'Y':
        grafico(int(columnas(p, 0)), 8, 1, 120, 0);
        break;
    case 'Z':
        grafico(int(columnas(p, 0)), 8, 1, 240, 0);
        break;
    case '*': {
        const int bytes = bytesPorColumna(n);
        grafico(int(columnas(p, 1)), bytes * 8, bytes, densidadH(n, nueve), 0);
        break;
    }
    case '^':
        grafico(int(columnas(p, 1)), 9, 2, n ? 120 : 60, 72);
        break;
    case '.':
        raster();
        break;
    case '(':
        ejecutaParentesis();
        break;
    case '&':
        if (!cabeceraPropios_) definePropio();
        if (listaDeCaracteres_ > 0) {
            parametros_.clear();
            faltan_ = nueve ? 1 : 3;
            estado_ = Estado::Parametros;
        } else {
            listaDeCaracteres_ = -1;
        }
        break;
    default:
        break; // consumed: paper handling, ...
    }
}

// "ESC ( c nL nH data": units, page length and absolute and relative vertical positions.
void InterpreteEscP::ejecutaParentesis() {
    const QByteArray& d = datos_;
    const auto dato = [&](int i) { return i < d.size() ? int(uint8_t(d[i])) : 0; };
    const auto palabra = [&](int i) { return dato(i) + 256 * dato(i + 1); };
    const double v = unidadV_ > 0 ? unidadV_ : 1;
    switch (uint8_t(parametros_[0])) {
    case 'U':
        if (d.size() >= 5 && palabra(3) > 0) { // P V H and the base unit
            unidadV_ = kPulgada * dato(1) / palabra(3);
            unidadH_ = kPulgada * dato(2) / palabra(3);
        } else if (dato(0) > 0) {
            unidadV_ = unidadH_ = kPulgada * dato(0) / 3600;
        }
        break;
    case 'C':
        if (palabra(0) > 0) largo_ = palabra(0) * v;
        break;
    case 'V':
        vuelcaTrozo();
        y_ = palabra(0) * v;
        break;
    case 'v':
        vuelcaTrozo();
        avanzaLinea(int16_t(uint16_t(palabra(0))) * v);
        break;
    case '^':                  // the data printed as characters, control codes included
        for (const char c : d) // codes without a glyph of their own in the table print nothing
            if (uint8_t(c) >= 0x20 && uint8_t(c) != 0x7F) caracter(juego_.caracter(uint8_t(c)));
        break;
    case 't': // "d1 d2 d3": table d1 becomes Epson's table d2 (d3 its variant); 0 0 the italics
        if (dato(1) == 0 && dato(2) == 0)
            juego_.asignaTabla(dato(0), nullptr);
        else if (const PaginasCodigo* pagina = PaginaDeTablaEpson(dato(1), dato(2)))
            juego_.asignaTabla(dato(0), pagina);
        break;
    default:
        break;
    }
}

// Bit-image graphics by columns: each column `bytes` bytes, its top dot the first byte's top bit.
// `dpiV` 0: the printer's vertical dot pitch for that many dots.
void InterpreteEscP::grafico(int columnas, int puntos, int bytes, double dpiH, double dpiV) {
    if (columnas <= 0 || dpiH <= 0) return;
    if (dpiV <= 0)
        dpiV = opciones_.nueveAgujas ? 72 : (puntos == 8 ? 60 : puntos == 24 ? 180 : 360);
    GraficoEscP g;
    g.ancho = columnas;
    g.alto = puntos;
    g.puntos = filasDeColumnas(datos_, columnas, puntos, bytes);
    g.x = x_;
    g.y = y_;
    g.anchoUnidades = columnas * kPulgada / dpiH;
    g.altoUnidades = puntos * kPulgada / dpiV;
    marca();
    salida_.grafico(g);
    x_ += g.anchoUnidades;
}

// "ESC . c v h m nL nH": m rows of n dots, v and h the dot pitch in 1/3600 inch.
void InterpreteEscP::raster() {
    const QByteArray& p = parametros_;
    GraficoEscP g;
    g.ancho = int(columnas(p, 4));
    g.alto = uint8_t(p[3]);
    const double v = uint8_t(p[1]) / 10.0, h = uint8_t(p[2]) / 10.0;
    if (g.ancho <= 0 || g.alto <= 0) return;
    g.puntos = datos_;
    g.puntos.resize(qsizetype((g.ancho + 7) / 8) * g.alto, '\0');
    g.x = x_;
    g.y = y_;
    g.anchoUnidades = g.ancho * h;
    g.altoUnidades = g.alto * v;
    if (g.anchoUnidades > 0 && g.altoUnidades > 0) {
        marca();
        salida_.grafico(g);
    }
    x_ += g.ancho * h;
}
