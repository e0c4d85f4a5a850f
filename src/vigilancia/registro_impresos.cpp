#include "vigilancia/registro_impresos.h"

#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {
constexpr char kTabla[] =
    "CREATE TABLE IF NOT EXISTS impresos (dispositivo INTEGER, nodo INTEGER, tamano INTEGER,"
    " mseg INTEGER, mnseg INTEGER, cseg INTEGER, cnseg INTEGER, nombre BLOB,"
    " pdf_dispositivo INTEGER, pdf_nodo INTEGER, pendiente INTEGER DEFAULT 0,"
    " PRIMARY KEY (dispositivo, nodo, tamano, mseg, mnseg, cseg, cnseg)) WITHOUT ROWID";
constexpr char kCabeceraSqlite[] = "SQLite format 3";

// SQLite is opened when the record first is: a job that only prints never loads it (nor pays
// for its relocation, a tenth of a short job's start).
// clang-format off
#define VELMOR_LLAMADAS_SQLITE(F) \
    F(sqlite3_prepare_v2) F(sqlite3_finalize) F(sqlite3_bind_int64) F(sqlite3_bind_blob) \
    F(sqlite3_step) F(sqlite3_column_int64) F(sqlite3_close) F(sqlite3_errmsg) F(sqlite3_exec) \
    F(sqlite3_open_v2) F(sqlite3_busy_timeout) F(sqlite3_reset)
// clang-format on

struct LibSqlite {
#define VELMOR_CAMPO(f) decltype(&::f) f = nullptr;
    VELMOR_LLAMADAS_SQLITE(VELMOR_CAMPO)
#undef VELMOR_CAMPO
    QString error; // why it could not be loaded; empty when it was
};

LibSqlite cargaLibSqlite() {
    LibSqlite l;
    void* biblioteca = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
    const char* falta = nullptr;
#define VELMOR_CARGA(f)                                                                            \
    if (biblioteca && !falta && !(l.f = reinterpret_cast<decltype(&::f)>(dlsym(biblioteca, #f))))  \
        falta = #f;
    VELMOR_LLAMADAS_SQLITE(VELMOR_CARGA)
#undef VELMOR_CARGA
    if (!biblioteca || falta)
        l.error =
            QStringLiteral("falta la biblioteca de SQLite (libsqlite3.so.0%1)")
                .arg(falta ? QStringLiteral(", sin %1").arg(QLatin1String(falta)) : QString());
    return l;
}

const LibSqlite& libSqlite() {
    static const LibSqlite l = cargaLibSqlite(); // once, thread-safe
    return l;
}

// The library; the record is opened only once it has loaded (RegistroImpresos::abreBase).
const LibSqlite& sql() {
    const LibSqlite& l = libSqlite();
    if (!l.error.isEmpty()) throw ErrorVelmor(ErrorVelmor::ErrorAccesoRuta, l.error);
    return l;
}

// One use of a statement the record keeps prepared: reset for the next when it goes.
class Sentencia {
  public:
    explicit Sentencia(sqlite3_stmt* s) : s_(s) {}
    ~Sentencia() {
        if (s_) libSqlite().sqlite3_reset(s_); // a statement: the library is loaded
    }
    bool valida() const { return s_ != nullptr; }
    // Binds the identity to ?1..?7.
    Sentencia& con(const IdentidadFichero& i) {
        const qint64 v[] = {qint64(i.dispositivo),
                            qint64(i.nodo),
                            qint64(i.tamano),
                            qint64(i.modificado.tv_sec),
                            qint64(i.modificado.tv_nsec),
                            qint64(i.cambiado.tv_sec),
                            qint64(i.cambiado.tv_nsec)};
        for (int n = 0; n < 7; ++n)
            sql().sqlite3_bind_int64(s_, n + 1, v[n]);
        return *this;
    }
    int paso() { return s_ ? sql().sqlite3_step(s_) : SQLITE_ERROR; }
    sqlite3_stmt* s_ = nullptr;
};

IdentidadFichero identidadDeFila(sqlite3_stmt* s) {
    IdentidadFichero i;
    i.dispositivo = dev_t(sql().sqlite3_column_int64(s, 0));
    i.nodo = ino_t(sql().sqlite3_column_int64(s, 1));
    i.tamano = off_t(sql().sqlite3_column_int64(s, 2));
    i.modificado = {time_t(sql().sqlite3_column_int64(s, 3)),
                    long(sql().sqlite3_column_int64(s, 4))};
    i.cambiado = {time_t(sql().sqlite3_column_int64(s, 5)), long(sql().sqlite3_column_int64(s, 6))};
    return i;
}

// An older version's line: "dispositivo:nodo:tamaño:segundos:nanosegundos nombre%codificado".
// The file it names counts as printed when it is still the same in all of those.
std::optional<std::pair<QByteArray, IdentidadFichero>> lineaAntigua(int carpeta,
                                                                    const QByteArray& linea) {
    const qsizetype espacio = linea.indexOf(' ');
    const QList<QByteArray> partes = linea.left(espacio).split(':');
    if (espacio < 0 || partes.size() != 5) return std::nullopt;
    const QByteArray nombre = QByteArray::fromPercentEncoding(linea.mid(espacio + 1).trimmed());
    struct stat datos {};
    if (nombre.isEmpty() || nombre.contains('/') ||
        ::fstatat(carpeta, nombre.constData(), &datos, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(datos.st_mode))
        return std::nullopt;
    const qint64 ahora[] = {qint64(datos.st_dev), qint64(datos.st_ino), qint64(datos.st_size),
                            qint64(datos.st_mtim.tv_sec), qint64(datos.st_mtim.tv_nsec)};
    for (int i = 0; i < 5; ++i)
        if (partes[i].toLongLong() != ahora[i]) return std::nullopt;
    return std::pair{nombre, IdentidadFichero::De(datos)};
}
} // namespace

size_t qHash(const IdentidadFichero& identidad, size_t semilla) noexcept {
    return qHashMulti(semilla, quint64(identidad.dispositivo), quint64(identidad.nodo),
                      qint64(identidad.tamano), qint64(identidad.modificado.tv_sec),
                      qint64(identidad.modificado.tv_nsec), qint64(identidad.cambiado.tv_nsec));
}

RegistroImpresos::RegistroImpresos(QByteArray carpeta) : carpeta_(std::move(carpeta)) {}

RegistroImpresos::~RegistroImpresos() {
    cierraBase();
}

// Each statement is prepared once, the first time it is used: parsing it again for every file
// cost as much as the rest of the record's work.
sqlite3_stmt* RegistroImpresos::sentencia(const char* texto) {
    sqlite3_stmt*& s = sentencias_[texto];
    if (!s) sql().sqlite3_prepare_v2(bd_, texto, -1, &s, nullptr); // null: the use fails
    return s;
}

void RegistroImpresos::cierraBase() {
    if (!bd_) return; // a database: the library is loaded
    for (sqlite3_stmt* s : std::as_const(sentencias_))
        libSqlite().sqlite3_finalize(s);
    sentencias_.clear();
    libSqlite().sqlite3_close(bd_);
    bd_ = nullptr;
}

void RegistroImpresos::falla(const QString& que, QString motivo) {
    if (motivo.isEmpty() && bd_) motivo = QString::fromUtf8(sql().sqlite3_errmsg(bd_));
    const QString ruta = NombreDeBytes(carpeta_ + '/' + kNombre);
    throw ErrorVelmor::DeFichero(ErrorVelmor::ErrorAccesoRuta,
                                 QStringLiteral("No se puede %1 la lista de ficheros impresos "
                                                "«%2»: %3")
                                     .arg(que, NombreVisible(ruta), motivo),
                                 ruta);
}

void RegistroImpresos::ejecuta(const char* orden) {
    if (sql().sqlite3_exec(bd_, orden, nullptr, nullptr, nullptr) != SQLITE_OK)
        falla(QStringLiteral("escribir"));
}

void RegistroImpresos::abre() {
    const QByteArray ruta = carpeta_ + '/' + kNombre;
    // Never a link followed, never an open that blocks (a FIFO would hang the watcher).
    const int fd =
        ::open(ruta.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno != ENOENT)
        falla(QStringLiteral("abrir"),
              errno == ELOOP ? QStringLiteral("es un enlace simbólico") : CausaSistema(errno));
    bool antigua = false;
    if (fd >= 0) {
        struct stat datos {};
        char cabecera[sizeof kCabeceraSqlite] = {};
        const bool regular = ::fstat(fd, &datos) == 0 && S_ISREG(datos.st_mode);
        antigua = regular && ::read(fd, cabecera, sizeof cabecera) > 0 &&
                  memcmp(cabecera, kCabeceraSqlite, sizeof cabecera) != 0;
        ::close(fd);
        if (!regular) falla(QStringLiteral("abrir"), QueEs(datos.st_mode));
    }
    if (antigua) convierte(ruta);
    abreBase(ruta);
}

void RegistroImpresos::abreBase(const QByteArray& ruta) {
    if (!libSqlite().error.isEmpty()) falla(QStringLiteral("abrir"), libSqlite().error);
    cierraBase();
    if (sql().sqlite3_open_v2(ruta.constData(), &bd_,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                              nullptr) != SQLITE_OK)
        falla(QStringLiteral("abrir"));
    sql().sqlite3_busy_timeout(bd_, 5000);
    // A kill leaves every committed row; a power cut at most the last ones, printed again.
    ejecuta("PRAGMA journal_mode=WAL");
    ejecuta("PRAGMA synchronous=NORMAL");
    ejecuta(kTabla);
}

// The older text record, read a line at a time, becomes a database under its name.
void RegistroImpresos::convierte(const QByteArray& ruta) {
    const QByteArray nueva = ruta + ".nueva";
    ::unlink(nueva.constData());
    abreBase(nueva);
    const int carpeta = ::open(carpeta_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QFile vieja(QFile::decodeName(ruta));
    ejecuta("BEGIN");
    if (carpeta >= 0 && vieja.open(QIODevice::ReadOnly))
        while (!vieja.atEnd())
            if (const auto fila = lineaAntigua(carpeta, vieja.readLine(8192)))
                inserta(fila->second, fila->first);
    ejecuta("COMMIT");
    if (carpeta >= 0) ::close(carpeta);
    cierraBase();
    if (::rename(nueva.constData(), ruta.constData()) != 0)
        falla(QStringLiteral("convertir"), CausaSistema(errno));
}

bool RegistroImpresos::contiene(const IdentidadFichero& identidad) {
    Sentencia s(
        sentencia("SELECT 1 FROM impresos WHERE dispositivo=?1 AND nodo=?2 AND tamano=?3 AND "
                  "mseg=?4 AND mnseg=?5 AND cseg=?6 AND cnseg=?7 AND pendiente=0"));
    return s.con(identidad).paso() == SQLITE_ROW;
}

void RegistroImpresos::inserta(const IdentidadFichero& identidad, const QByteArray& nombre) {
    Sentencia s(sentencia("INSERT OR REPLACE INTO impresos VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                          "NULL, NULL, 0)"));
    s.con(identidad);
    sql().sqlite3_bind_blob(s.s_, 8, nombre.constData(), int(nombre.size()), SQLITE_TRANSIENT);
    if (s.paso() != SQLITE_DONE) falla(QStringLiteral("escribir"));
}

void RegistroImpresos::anota(const IdentidadFichero& identidad, const QByteArray& nombre) {
    inserta(identidad, nombre);
}

void RegistroImpresos::anotaIntento(const IdentidadFichero& identidad, const QByteArray& nombre,
                                    dev_t dispositivoPdf, ino_t nodoPdf) {
    Sentencia s(sentencia("INSERT OR REPLACE INTO impresos VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                          "?9, ?10, 1)"));
    s.con(identidad);
    sql().sqlite3_bind_blob(s.s_, 8, nombre.constData(), int(nombre.size()), SQLITE_TRANSIENT);
    sql().sqlite3_bind_int64(s.s_, 9, qint64(dispositivoPdf));
    sql().sqlite3_bind_int64(s.s_, 10, qint64(nodoPdf));
    if (s.paso() != SQLITE_DONE) falla(QStringLiteral("escribir"));
}

void RegistroImpresos::resuelveIntentos(const std::function<bool(dev_t, ino_t)>& pdfHecho) {
    QList<std::tuple<IdentidadFichero, bool>> intentos;
    {
        Sentencia s(sentencia("SELECT dispositivo, nodo, tamano, mseg, mnseg, cseg, cnseg, "
                              "pdf_dispositivo, pdf_nodo FROM impresos WHERE pendiente=1"));
        while (s.paso() == SQLITE_ROW)
            intentos << std::tuple{identidadDeFila(s.s_),
                                   pdfHecho(dev_t(sql().sqlite3_column_int64(s.s_, 7)),
                                            ino_t(sql().sqlite3_column_int64(s.s_, 8)))};
    }
    for (const auto& [identidad, hecho] : intentos) {
        if (!hecho) {
            olvida(identidad);
            continue;
        }
        Sentencia s(
            sentencia("UPDATE impresos SET pendiente=0 WHERE dispositivo=?1 AND nodo=?2 AND "
                      "tamano=?3 AND mseg=?4 AND mnseg=?5 AND cseg=?6 AND cnseg=?7"));
        if (s.con(identidad).paso() != SQLITE_DONE) falla(QStringLiteral("escribir"));
    }
}

void RegistroImpresos::olvida(const IdentidadFichero& identidad) {
    Sentencia s(sentencia("DELETE FROM impresos WHERE dispositivo=?1 AND nodo=?2 AND tamano=?3 AND "
                          "mseg=?4 AND mnseg=?5 AND cseg=?6 AND cnseg=?7"));
    if (s.con(identidad).paso() != SQLITE_DONE) falla(QStringLiteral("escribir"));
}

void RegistroImpresos::olvidaAusentes(const QSet<IdentidadFichero>& presentes) {
    QList<IdentidadFichero> ausentes;
    {
        Sentencia s(
            sentencia("SELECT dispositivo, nodo, tamano, mseg, mnseg, cseg, cnseg FROM impresos"));
        while (s.paso() == SQLITE_ROW)
            if (const auto i = identidadDeFila(s.s_); !presentes.contains(i)) ausentes << i;
    }
    if (ausentes.isEmpty()) return;
    ejecuta("BEGIN");
    for (const IdentidadFichero& i : ausentes)
        olvida(i);
    ejecuta("COMMIT");
}
