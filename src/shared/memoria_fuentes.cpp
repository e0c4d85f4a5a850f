#include "shared/memoria_fuentes.h"

#include "shared/escribe_todo.h"
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kFormato[] = "velmor-fuentes 1";
constexpr qsizetype kMaxRespuestas = 512; // a file may name thousands of fonts: the first ones
constexpr qint64 kMaxTamano = 4 << 20;

// What fontconfig takes from the environment besides its configuration: where the user's files
// are, the languages it matches for, the program name its rules may test.
constexpr const char* kEntorno[] = {
    "HOME",       "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "FC_LANG",
    "FC_PRGNAME", "LANGUAGE",        "LC_ALL",        "LC_CTYPE",       "LANG"};

QByteArray codifica(const QByteArray& b) {
    return b.toPercentEncoding("/");
}

QByteArray carpetaDe(const QByteArray& ruta) {
    const qsizetype barra = ruta.lastIndexOf('/');
    return barra > 0 ? ruta.left(barra) : QByteArray("/");
}

timespec ahora() {
    timespec t{};
    // The clock file times are taken from: a change after this instant is never stamped before.
    clock_gettime(CLOCK_REALTIME_COARSE, &t);
    return t;
}

bool noAntes(const timespec& t, const timespec& desde) {
    return t.tv_sec > desde.tv_sec || (t.tv_sec == desde.tv_sec && t.tv_nsec >= desde.tv_nsec);
}

// A file's identity, size and times, or why it has none: a change to a file, to a folder's list
// of files, or a file put in another's place, changes it.
QByteArray huella(const QByteArray& ruta, const timespec* desde = nullptr,
                  bool* reciente = nullptr) {
    struct stat s {};
    if (::stat(ruta.constData(), &s) != 0)
        return errno == ENOENT || errno == ENOTDIR ? QByteArray("-")
                                                   : "!" + QByteArray::number(errno);
    if (reciente && desde)
        *reciente = *reciente || noAntes(s.st_mtim, *desde) || noAntes(s.st_ctim, *desde);
    QByteArray h;
    for (const quint64 n :
         {quint64(s.st_dev), quint64(s.st_ino), quint64(s.st_mode), quint64(s.st_size),
          quint64(s.st_mtim.tv_sec), quint64(s.st_mtim.tv_nsec), quint64(s.st_ctim.tv_sec),
          quint64(s.st_ctim.tv_nsec)})
        h += QByteArray::number(n) + ':';
    h.chop(1);
    return h;
}

QByteArray programa() {
    return QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
}

QByteArray variable(const char* nombre) {
    return qEnvironmentVariableIsSet(nombre) ? qgetenv(nombre) : QByteArray();
}

// The user's configuration folder as fontconfig finds it.
QByteArray configuracionXdg() {
    const QByteArray xdg = variable("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? variable("HOME") + "/.config" : xdg;
}

QString desdeXml(QString texto) {
    return texto.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&apos;", "'")
        .replace("&amp;", "&")
        .trimmed();
}

// Where each file a configuration file includes would be, there or not: one that appears later
// changes what fontconfig reads.
QList<QByteArray> incluidos(const QByteArray& fichero, const QByteArray& carpetaConfiguracion) {
    static const QRegularExpression kInclude(
        QStringLiteral(R"(<include([^>]*)>([^<]*)</include>)"));
    static const QRegularExpression kPrefijoXdg(QStringLiteral(R"(prefix\s*=\s*["']xdg["'])"));
    QFile f(QFile::decodeName(fichero));
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxTamano) return {};
    QList<QByteArray> rutas;
    for (const auto& m : kInclude.globalMatch(QString::fromUtf8(f.readAll()))) {
        const QByteArray nombre = desdeXml(m.captured(2)).toUtf8();
        if (nombre.isEmpty()) continue;
        if (m.captured(1).contains(kPrefijoXdg))
            rutas << configuracionXdg() + '/' + nombre;
        else if (nombre.startsWith('~'))
            rutas << variable("HOME") + nombre.mid(1);
        else if (nombre.startsWith('/'))
            rutas << nombre;
        else
            rutas << carpetaDe(fichero) + '/' + nombre << carpetaConfiguracion + '/' + nombre
                  << carpetaConfiguracion + "/conf.d/" + nombre;
    }
    return rutas;
}

QList<QByteArray> lista(FcStrList* l) {
    QList<QByteArray> rutas;
    while (const FcChar8* s = l ? FcStrListNext(l) : nullptr)
        rutas << QByteArray(reinterpret_cast<const char*>(s));
    if (l) FcStrListDone(l);
    return rutas;
}
} // namespace

MemoriaFuentes& MemoriaFuentes::DelProceso() {
    static MemoriaFuentes memoria;
    return memoria;
}

void MemoriaFuentes::activa(const QString& fichero) {
    for (const char* v : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"})
        if (qEnvironmentVariableIsSet(v)) return;
    fichero_ = fichero;
    entorno_ = QByteArray(kFormato) + " fontconfig=" + QByteArray::number(FcGetVersion()) +
               " programa=" + codifica(programa());
    for (const char* v : kEntorno)
        entorno_ += ' ' + QByteArray(v) +
                    (qEnvironmentVariableIsSet(v) ? '=' + codifica(qgetenv(v)) : QByteArray());
}

void MemoriaFuentes::carga() {
    cargada_ = true;
    if (!desde_) desde_ = ahora();
    QFile f(fichero_);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxTamano) return;
    const QByteArray todo = f.readAll();
    const qsizetype fin = todo.lastIndexOf("\nfin ");
    if (fin < 0 ||
        todo.mid(fin + 5).trimmed() !=
            QCryptographicHash::hash(todo.left(fin + 1), QCryptographicHash::Sha1).toHex())
        return;
    const QList<QByteArray> lineas = todo.left(fin).split('\n');
    if (lineas.value(0) != entorno_) return;
    Huellas huellas;
    QHash<QString, Respuesta> respuestas;
    for (qsizetype i = 1; i < lineas.size(); ++i) {
        const QList<QByteArray> c = lineas[i].split(' ');
        if (c[0] == "p" && c.size() == 3) {
            const QByteArray ruta = QByteArray::fromPercentEncoding(c[1]);
            if (huella(ruta) != c[2]) return;
            huellas.emplace_back(ruta, c[2]);
        } else if (c[0] == "r" && c.size() == 4) {
            respuestas.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(c[1])),
                              {QString::fromUtf8(QByteArray::fromPercentEncoding(c[2])),
                               QByteArray::fromPercentEncoding(c[3])});
        } else {
            return;
        }
    }
    huellas_ = std::move(huellas);
    respuestas_ = std::move(respuestas);
}

std::optional<MemoriaFuentes::Respuesta> MemoriaFuentes::busca(const QString& pregunta) {
    if (!activada() || invalida_) return std::nullopt;
    if (!cargada_) carga();
    const auto r = respuestas_.constFind(pregunta);
    if (r == respuestas_.cend()) return std::nullopt;
    return *r;
}

void MemoriaFuentes::preguntaAFontconfig() {
    if (activada() && !desde_) desde_ = ahora();
}

void MemoriaFuentes::apunta(const QString& pregunta, const QString& respuesta,
                            const QByteArray& fuente) {
    if (!activada() || invalida_ || respuestas_.size() + aprendidas_.size() >= kMaxRespuestas)
        return;
    aprendidas_.insert(pregunta, {respuesta, fuente});
}

bool MemoriaFuentes::renueva() {
    if (!cargada_ || invalida_) return false;
    for (const auto& [ruta, h] : huellas_)
        if (huella(ruta) != h) {
            invalida_ = true;
            respuestas_.clear();
            aprendidas_.clear();
            return true;
        }
    return false;
}

// Every file and folder fontconfig read or would read, this program, fontconfig's library, and
// the fonts answered.
MemoriaFuentes::Huellas MemoriaFuentes::huellasDeFontconfig(bool* reciente) const {
    QSet<QByteArray> vistas;
    Huellas huellas;
    const auto anade = [&](const QByteArray& ruta) {
        if (ruta.isEmpty() || vistas.contains(ruta)) return;
        vistas.insert(ruta);
        huellas.emplace_back(ruta, huella(ruta, &*desde_, reciente));
    };
    FcChar8* principal = FcConfigFilename(nullptr);
    const QByteArray configuracion =
        carpetaDe(principal ? QByteArray(reinterpret_cast<const char*>(principal)) : "/etc/fonts");
    FcStrFree(principal);
    for (const QByteArray& fichero : lista(FcConfigGetConfigFiles(nullptr))) {
        anade(fichero);
        anade(carpetaDe(fichero));
        for (const QByteArray& incluido : incluidos(fichero, configuracion))
            anade(incluido);
    }
    for (const QByteArray& carpeta : lista(FcConfigGetConfigDirs(nullptr)) +
                                         lista(FcConfigGetFontDirs(nullptr)) +
                                         lista(FcConfigGetCacheDirs(nullptr)))
        anade(carpeta);
    for (const auto* r : {&respuestas_, &aprendidas_})
        for (const Respuesta& respuesta : *r)
            anade(respuesta.fuente);
    anade(programa());
    // A rebuilt fontconfig may answer otherwise under the same version number.
    Dl_info biblioteca{};
    if (dladdr(reinterpret_cast<void*>(&FcGetVersion), &biblioteca) && biblioteca.dli_fname)
        anade(biblioteca.dli_fname);
    return huellas;
}

QByteArray MemoriaFuentes::contenido(const Huellas& huellas) const {
    QByteArray datos = entorno_ + '\n';
    for (const auto& [ruta, h] : huellas)
        datos += "p " + codifica(ruta) + ' ' + h + '\n';
    QHash<QString, Respuesta> todas = respuestas_;
    todas.insert(aprendidas_);
    for (auto r = todas.cbegin(); r != todas.cend(); ++r)
        datos += "r " + codifica(r.key().toUtf8()) + ' ' + codifica(r->texto.toUtf8()) + ' ' +
                 codifica(r->fuente) + '\n';
    return datos + "fin " + QCryptographicHash::hash(datos, QCryptographicHash::Sha1).toHex() +
           '\n';
}

void MemoriaFuentes::guarda() {
    if (!activada() || invalida_ || aprendidas_.isEmpty() || !desde_) return;
    // Fonts the process added itself are no file's: what they answered holds for it alone.
    if (const FcFontSet* propias = FcConfigGetFonts(nullptr, FcSetApplication);
        propias && propias->nfont > 0)
        return;
    bool reciente = false;
    const Huellas huellas = huellasDeFontconfig(&reciente);
    // Changed since fontconfig was read, or so close before that it cannot tell: fontconfig may
    // have read the file as it was, the fingerprint would describe it as it is.
    if (reciente) return;
    const QByteArray datos = contenido(huellas);
    QDir().mkpath(QFile::decodeName(carpetaDe(QFile::encodeName(fichero_))));
    QByteArray temporal = QFile::encodeName(fichero_) + ".XXXXXX";
    const int fd = ::mkostemp(temporal.data(), O_CLOEXEC);
    if (fd < 0) return;
    const bool escrito = EscribeTodo(fd, datos);
    if (::close(fd) != 0 || !escrito ||
        ::rename(temporal.constData(), QFile::encodeName(fichero_).constData()) != 0)
        ::unlink(temporal.constData());
    respuestas_.insert(aprendidas_);
    aprendidas_.clear();
}
