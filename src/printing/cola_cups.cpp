#include "printing/cola_cups.h"

#include "shared/causa_sistema.h"
#include "shared/error.h"
#include <cerrno>
#include <cups/cups.h>
#include <dlfcn.h>
#include <memory>
#include <unistd.h>

QString EstadoTrabajo::enPalabras() const {
    switch (estado) {
    case Pendiente:
        return QStringLiteral("espera su turno");
    case Retenido:
        return QStringLiteral("está retenido");
    case Procesando:
        return QStringLiteral("se está imprimiendo");
    case Detenido:
        return QStringLiteral("está detenido");
    case Cancelado:
        return QStringLiteral("se ha cancelado");
    case Abortado:
        return QStringLiteral("se ha abortado");
    case Completado:
        return QStringLiteral("ha terminado");
    default:
        return QStringLiteral("está en un estado desconocido (%1)").arg(estado);
    }
}

namespace {
// libcups is loaded on first use of a queue, not at start: a job that only writes a PDF never
// maps it (nor gnutls and Kerberos behind it). Only the calls below are used.
// clang-format off
#define VELMOR_LLAMADAS_CUPS(F) \
    F(httpClose) F(ippDelete) F(cupsLastError) F(httpConnect2) F(cupsServer) F(ippPort) \
    F(cupsEncryption) F(httpSetTimeout) F(httpAssembleURIf) F(ippNewRequest) F(ippAddString) \
    F(cupsDoRequest) F(ippFindAttribute) F(ippGetBoolean) F(cupsGetDests2) F(cupsFreeDests) \
    F(cupsGetNamedDest) F(cupsCopyDestInfo) F(cupsGetDestMediaDefault) F(cupsFreeDestInfo) \
    F(cupsAddOption) F(cupsCreateJob) F(cupsFreeOptions) F(cupsCancelJob2) \
    F(cupsStartDocument) F(cupsWriteRequestData) F(cupsFinishDocument) F(ippAddInteger) \
    F(cupsUser) F(ippGetInteger)
// clang-format on

struct LibCups {
#define VELMOR_CAMPO(f) decltype(&::f) f = nullptr;
    VELMOR_LLAMADAS_CUPS(VELMOR_CAMPO)
#undef VELMOR_CAMPO
    QString error; // why it could not be loaded; empty when it was
};

LibCups cargaLibCups() {
    LibCups l;
    void* biblioteca = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    const char* falta = nullptr;
#define VELMOR_CARGA(f)                                                                            \
    if (biblioteca && !falta && !(l.f = reinterpret_cast<decltype(&::f)>(dlsym(biblioteca, #f))))  \
        falta = #f;
    VELMOR_LLAMADAS_CUPS(VELMOR_CARGA)
#undef VELMOR_CARGA
    if (!biblioteca || falta)
        l.error =
            QStringLiteral("No se puede usar el sistema de impresión: falta la biblioteca "
                           "de CUPS (libcups.so.2%1)")
                .arg(falta ? QStringLiteral(", sin %1").arg(QLatin1String(falta)) : QString());
    return l;
}

const LibCups& libCups() {
    static const LibCups l = cargaLibCups(); // once, thread-safe
    return l;
}

// The library, or the reason it is missing as the error of the call that needed it.
const LibCups& cups() {
    const LibCups& l = libCups();
    if (!l.error.isEmpty()) throw ErrorVelmor(ErrorVelmor::ErrorImpresora, l.error);
    return l;
}
} // namespace

namespace {
struct CierraHttp {
    void operator()(http_t* http) const { cups().httpClose(http); }
};
using Conexion = std::unique_ptr<http_t, CierraHttp>;
struct LiberaIpp {
    void operator()(ipp_t* ipp) const { cups().ippDelete(ipp); }
};
using Respuesta = std::unique_ptr<ipp_t, LiberaIpp>;

ErrorVelmor sinServidor() {
    return ErrorVelmor(ErrorVelmor::ErrorImpresora,
                       QStringLiteral("El servidor de impresión (CUPS) no está en marcha o no "
                                      "responde"));
}

// The Spanish words for what the scheduler answered about a queue.
ErrorVelmor errorDeCups(const QString& cola, const QString& que) {
    const ipp_status_t estado = cups().cupsLastError();
    const QString laCola = QStringLiteral("«") + cola + QStringLiteral("»");
    switch (estado) {
    case IPP_STATUS_ERROR_NOT_FOUND:
        return ErrorVelmor(
            ErrorVelmor::ErrorImpresora,
            QStringLiteral("La impresora %1 no existe en el servidor de impresión").arg(laCola));
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return ErrorVelmor(ErrorVelmor::ErrorImpresora,
                           QStringLiteral("La impresora %1 no acepta trabajos (su cola los "
                                          "rechaza)")
                               .arg(laCola));
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
        return ErrorVelmor(ErrorVelmor::PermisoDenegado,
                           QStringLiteral("No hay permiso para imprimir en %1").arg(laCola));
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
        return ErrorVelmor(ErrorVelmor::ErrorImpresora,
                           QStringLiteral("La impresora %1 no admite documentos PDF").arg(laCola));
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_TIMEOUT:
        return sinServidor();
    default:
        return ErrorVelmor(ErrorVelmor::ErrorImpresora,
                           QStringLiteral("La impresora %1 no ha podido %2 (error IPP 0x%3)")
                               .arg(laCola, que)
                               .arg(int(estado), 4, 16, QLatin1Char('0')));
    }
}

// Gives up on a scheduler that stops answering.
int rendirse(http_t*, void*) {
    return 0;
}

Conexion conecta(int segundos) {
    Conexion http(cups().httpConnect2(cups().cupsServer(), cups().ippPort(), nullptr, AF_UNSPEC,
                                      cups().cupsEncryption(), 1, segundos * 1000, nullptr));
    if (!http) throw sinServidor();
    cups().httpSetTimeout(http.get(), segundos, rendirse, nullptr);
    return http;
}

QByteArray uriCola(const QString& cola) {
    char uri[HTTP_MAX_URI];
    cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                            "/printers/%s", cola.toUtf8().constData());
    return uri;
}

// The queue's own attributes: state, whether it accepts jobs. A missing queue says so here, in
// plain words, rather than through a failed job.
Respuesta atributosCola(http_t* http, const QString& cola) {
    ipp_t* peticion = cups().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    cups().ippAddString(peticion, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                        uriCola(cola).constData());
    Respuesta respuesta(cups().cupsDoRequest(http, peticion, "/"));
    if (!respuesta || cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw errorDeCups(cola, QStringLiteral("decir su estado"));
    return respuesta;
}

bool aceptaTrabajos(ipp_t* atributos) {
    ipp_attribute_t* a =
        cups().ippFindAttribute(atributos, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    return !a || cups().ippGetBoolean(a, 0);
}
} // namespace

ColaCups::ColaCups(QString nombre, int segundosLimite)
    : nombre_(std::move(nombre)), segundosLimite_(segundosLimite) {}

QStringList ColaCups::Colas(QString* predeterminada) {
    if (!libCups().error.isEmpty()) return {};
    cups_dest_t* destinos = nullptr;
    const int n = cups().cupsGetDests2(CUPS_HTTP_DEFAULT, &destinos);
    QStringList colas;
    for (int i = 0; i < n; ++i) {
        if (destinos[i].instance) continue; // an instance is a set of options, not a queue
        colas << QString::fromUtf8(destinos[i].name);
        if (destinos[i].is_default && predeterminada) *predeterminada = colas.last();
    }
    cups().cupsFreeDests(n, destinos);
    return colas;
}

std::optional<Papel> ColaCups::papelPredeterminado() const {
    if (!libCups().error.isEmpty()) return {};
    cups_dest_t* destino =
        cups().cupsGetNamedDest(CUPS_HTTP_DEFAULT, nombre_.toUtf8().constData(), nullptr);
    if (!destino) return {};
    std::optional<Papel> papel;
    if (cups_dinfo_t* info = cups().cupsCopyDestInfo(CUPS_HTTP_DEFAULT, destino)) {
        cups_size_t tamano{};
        if (cups().cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, destino, info, 0, &tamano) &&
            tamano.width > 0 && tamano.length > 0)
            papel = Papel::Milimetros(tamano.width / 100.0, tamano.length / 100.0);
        cups().cupsFreeDestInfo(info);
    }
    cups().cupsFreeDests(1, destino);
    return papel;
}

int ColaCups::envia(int descriptor, const QString& titulo, int copias) const {
    Conexion http = conecta(segundosLimite_);
    if (!aceptaTrabajos(atributosCola(http.get(), nombre_).get()))
        throw ErrorVelmor(ErrorVelmor::ErrorImpresora,
                          QStringLiteral("La impresora «%1» no acepta trabajos (su cola los "
                                         "rechaza)")
                              .arg(nombre_));
    const QByteArray cola = nombre_.toUtf8();
    const QByteArray nombreTrabajo = titulo.toUtf8();
    cups_option_t* opciones = nullptr;
    int nOpciones = 0;
    if (copias > 1)
        nOpciones = cups().cupsAddOption("copies", QByteArray::number(copias).constData(),
                                         nOpciones, &opciones);
    const int id = cups().cupsCreateJob(http.get(), cola.constData(), nombreTrabajo.constData(),
                                        nOpciones, opciones);
    cups().cupsFreeOptions(nOpciones, opciones);
    if (id == 0) throw errorDeCups(nombre_, QStringLiteral("aceptar el trabajo"));

    auto anula = [&](const ErrorVelmor& e) {
        cups().cupsCancelJob2(http.get(), cola.constData(), id, 0);
        return e;
    };
    if (cups().cupsStartDocument(http.get(), cola.constData(), id, nombreTrabajo.constData(),
                                 CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
        throw anula(errorDeCups(nombre_, QStringLiteral("recibir el documento")));
    if (::lseek(descriptor, 0, SEEK_SET) < 0)
        throw anula(ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                                QStringLiteral("No se puede releer el documento de impresión: ") +
                                    CausaSistema(errno)));
    char bloque[64 * 1024];
    while (true) {
        const ssize_t n = ::read(descriptor, bloque, sizeof bloque);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            throw anula(ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                                    QStringLiteral("No se puede releer el documento de "
                                                   "impresión: ") +
                                        CausaSistema(errno)));
        if (n == 0) break;
        if (cups().cupsWriteRequestData(http.get(), bloque, size_t(n)) != HTTP_STATUS_CONTINUE)
            throw anula(errorDeCups(nombre_, QStringLiteral("recibir el documento")));
    }
    if (cups().cupsFinishDocument(http.get(), cola.constData()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw anula(errorDeCups(nombre_, QStringLiteral("recibir el documento")));
    return id;
}

EstadoTrabajo ColaCups::consulta(int idTrabajo) const {
    Conexion http = conecta(segundosLimite_);
    EstadoTrabajo estado;

    ipp_t* peticion = cups().ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = uriCola(nombre_);
    cups().ippAddString(peticion, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                        uri.constData());
    cups().ippAddInteger(peticion, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", idTrabajo);
    cups().ippAddString(peticion, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                        cups().cupsUser());
    Respuesta trabajo(cups().cupsDoRequest(http.get(), peticion, "/"));
    if (!trabajo || cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        throw errorDeCups(nombre_, QStringLiteral("decir el estado del trabajo %1").arg(idTrabajo));
    if (ipp_attribute_t* a = cups().ippFindAttribute(trabajo.get(), "job-state", IPP_TAG_ENUM))
        estado.estado = cups().ippGetInteger(a, 0);

    const Respuesta cola = atributosCola(http.get(), nombre_);
    if (ipp_attribute_t* a = cups().ippFindAttribute(cola.get(), "printer-state", IPP_TAG_ENUM))
        estado.colaDetenida = cups().ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
    estado.colaAcepta = aceptaTrabajos(cola.get());
    return estado;
}
