// velmor-imprimir: prints PRT files from the command line with the same print job as the program.
#include "cli/interlocutor_cli.h"
#include "cli/opciones_cli.h"
#include "cli/parada_senal.h"
#include "printing/impresoras_sistema.h"
#include "printing/trabajo_impresion.h"
#include "shared/entrada_copiada.h"
#include "shared/error.h"
#include "shared/memoria_fuentes.h"
#include "shared/mensajes_qt.h"
#include "shared/nombres_fichero.h"
#include "shared/paginas_actuales.h"
#include "shared/paths.h"
#include "shared/version.h"
#include "vigilancia/interlocutor_vigilancia.h"
#include "vigilancia/vigilante_carpeta.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
void salida(FILE* f, const QString& texto) {
    const QByteArray b = texto.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fputc('\n', f);
}

// A line that a log reader (journald, a pipe) must see at once, not when a buffer fills.
void linea(FILE* f, const QString& texto) {
    salida(f, texto);
    std::fflush(f);
}

void error(const QString& texto) {
    salida(stderr, QStringLiteral("velmor-imprimir: ") + texto);
}

int uso(const QString& mensaje) {
    error(mensaje);
    salida(stderr, QStringLiteral("Pruebe «velmor-imprimir --help» para más información."));
    return 2;
}

// The argv bytes, losslessly: a file name that is not UTF-8 still names that file.
QStringList argumentos(int argc, char** argv) {
    QStringList lista;
    for (int i = 0; i < argc; ++i)
        lista << NombreDeBytes(argv[i]);
    return lista;
}

int eligeImpresora(ImpresorasSistema& impresoras, OpcionesCli& o) {
    if (!o.pdf.isEmpty()) {
        if (!o.impresora.isEmpty() && o.impresora != ImpresorasSistema::nombrePdf())
            return uso(
                QStringLiteral("--pdf no se puede combinar con --impresora «%1»").arg(o.impresora));
        o.impresora = ImpresorasSistema::nombrePdf();
    }
    if (!o.impresora.isEmpty()) {
        int pos = -1;
        for (int i = 0; i < impresoras.cuenta(); ++i)
            if (impresoras.nombre(i) == o.impresora) pos = i;
        if (pos < 0)
            return uso(
                QStringLiteral("no existe la impresora «%1» (vea --impresoras)").arg(o.impresora));
        impresoras.hazActual(pos);
    }
    if (impresoras.actualEsPdf() && o.pdf.isEmpty())
        return uso(QStringLiteral("la impresora «Archivo PDF» necesita --pdf SALIDA.pdf"));
    if (o.orientacion != Orientacion::SegunImpresora) {
        try {
            impresoras.ponOrientacion(o.orientacion);
        } catch (const ErrorVelmor& e) {
            error(e.mensaje());
            return 2;
        }
    }
    return 0;
}

// Each file's PDF. With several files --pdf is a folder; two files that would write the same PDF
// are refused before anything is printed, since the second would overwrite the first (and
// --borrar delete both PRT files).
std::optional<QStringList> destinosPdf(const OpcionesCli& o, int& estado) {
    QStringList destinos;
    if (o.pdf.isEmpty() || o.ficheros.size() == 1) {
        for (qsizetype i = 0; i < o.ficheros.size(); ++i)
            destinos << o.pdf;
        return destinos;
    }
    if (ExisteRuta(o.pdf, false) && !ExisteRuta(o.pdf, true)) {
        estado = uso(QStringLiteral("con varios ficheros, --pdf debe ser una carpeta: «%1»")
                         .arg(NombreVisible(o.pdf)));
        return std::nullopt;
    }
    if (!CreaCarpetas(o.pdf)) {
        estado = uso(QStringLiteral("no se puede crear la carpeta «%1»").arg(NombreVisible(o.pdf)));
        return std::nullopt;
    }
    QHash<QString, QString> deQuien;
    for (const QString& fichero : o.ficheros) {
        const QString nombre = NombreDe(fichero);
        const qsizetype punto = nombre.lastIndexOf(u'.');
        const QString destino = o.pdf + u'/' + (punto > 0 ? nombre.left(punto) : nombre) + ".pdf";
        if (deQuien.contains(destino)) {
            estado = uso(QStringLiteral("«%1» y «%2» escribirían el mismo PDF «%3»")
                             .arg(NombreVisible(deQuien.value(destino)), NombreVisible(fichero),
                                  NombreVisible(destino)));
            return std::nullopt;
        }
        deQuien.insert(destino, fichero);
        destinos << destino;
    }
    return destinos;
}

// What every file's job asks besides its path.
PeticionTrabajo peticionDe(const OpcionesCli& o) {
    PeticionTrabajo p;
    p.modoDos = o.modoDos;
    p.lineasPagina = o.lineas;
    p.nueveAgujas = o.nueveAgujas;
    p.ajustes = o.ajustes;
    p.borrar = o.borrar;
    p.esperaSegundos = o.esperaSegundos;
    p.copias = o.copias;
    return p;
}

// Runs one file's job to its end; false when it did not print (or, with --borrar, was kept).
// `entrada`: the copy of standard input the job prints, named so in the messages.
bool imprime(ImpresorasSistema& impresoras, InterlocutorCli& interlocutor,
             const PeticionTrabajo& peticion, const EntradaCopiada* entrada) {
    auto error = [entrada](const QString& texto) {
        ::error(entrada ? entrada->nombra(texto) : texto);
    };
    TrabajoImpresion trabajo(impresoras, interlocutor, peticion);
    QEventLoop bucle;
    QObject::connect(&trabajo, &TrabajoImpresion::terminado, &bucle, &QEventLoop::quit);
    trabajo.inicia();
    if (!trabajo.haTerminado()) bucle.exec();
    const ResultadoTrabajo& r = trabajo.resultado();
    const QString fichero = NombreVisible(peticion.ruta);
    if (r.fin != ResultadoTrabajo::Fin::Impreso) {
        error(r.error ? r.error->texto() : fichero + QStringLiteral(": no se ha impreso"));
        return false;
    }
    if (r.vacio && !interlocutor.destino.isEmpty())
        error(QStringLiteral("%1: no tiene nada que imprimir; no se ha escrito «%2»")
                  .arg(fichero, NombreVisible(interlocutor.destino)));
    if (r.error) {
        error(r.error->texto());
        return false;
    }
    // Printed, with the directive as text where its picture was: said, not failed.
    if (!r.imagenesNoEncontradas.isEmpty())
        error(fichero + QStringLiteral(": ") + AvisoImagenes(r.imagenesNoEncontradas));
    return true;
}
// The watched folder until SIGTERM or SIGINT: the first one stops it in order, a second one at
// once (the temporaries removed all the same).
int vigila(QCoreApplication& app, ImpresorasSistema& impresoras, const OpcionesCli& o) {
    ParadaPorSenal parada;
    ConfiguracionVigilancia c;
    c.carpeta = o.vigilar;
    c.carpetaPdf = o.pdf;
    c.peticion = peticionDe(o);
    c.reposoMs = o.reposoMs;
    InterlocutorVigilancia interlocutor(o.pdf);
    c.interlocutor = &interlocutor;
    c.paradaPedida = &ParadaPorSenal::Pedida;
    VigilanteCarpeta vigilante(impresoras, c);
    QObject::connect(&vigilante, &VigilanteCarpeta::registro,
                     [](const QString& texto) { linea(stdout, texto); });
    QObject::connect(&vigilante, &VigilanteCarpeta::aviso, [](const QString& texto) {
        linea(stderr, QStringLiteral("velmor-imprimir: ") + texto);
    });
    QObject::connect(&vigilante, &VigilanteCarpeta::parado, &app, &QCoreApplication::exit);
    QObject::connect(&parada, &ParadaPorSenal::pedida, &vigilante, [&vigilante](int senal) {
        linea(stdout, QStringLiteral("velmor-imprimir: señal %1: se para la vigilancia")
                          .arg(senal == SIGTERM ? "SIGTERM" : "SIGINT"));
        vigilante.para();
    });
    if (const auto motivo = vigilante.inicia()) {
        error(*motivo);
        return 2;
    }
    const int estado = app.exec();
    MemoriaFuentes::DelProceso().guarda();
    return estado;
}

// Fontconfig's answers from the last run, while they hold: a short job need not read its
// configuration.
void activaMemoriaFuentes() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        MemoriaFuentes::DelProceso().activa(cache + QStringLiteral("/velmor/fuentes"));
}
} // namespace

int main(int argc, char** argv) {
    // No window and no platform: the print core draws with fontconfig, FreeType and HarfBuzz.
    SilenciaMensajesQt();
    QCoreApplication app(argc, argv);

    OpcionesCli o;
    if (o.analiza(argumentos(argc, argv))) {
        // Only Qt's option parser speaks through Qt's translations, and only to say what is
        // wrong with the options: they are loaded for that message alone.
        QTranslator textosQt;
        if (textosQt.load(QLocale(QLocale::Spanish), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            app.installTranslator(&textosQt);
        return uso(o.analiza(argumentos(argc, argv)).value_or(QString()));
    }
    if (o.ayuda) {
        salida(stdout, OpcionesCli::Ayuda());
        return 0;
    }
    if (o.version) {
        salida(stdout, QStringLiteral("velmor-imprimir ") + VersionVelmor());
        return 0;
    }

    ImpresorasSistema impresoras(o.pdf.isEmpty() || o.listaImpresoras
                                     ? ImpresorasSistema::Cuales::Todas
                                     : ImpresorasSistema::Cuales::SoloPdf);
    if (o.listaImpresoras) {
        for (int i = 0; i < impresoras.cuenta(); ++i)
            salida(stdout,
                   (i == impresoras.actual() ? QStringLiteral("* ") : QStringLiteral("  ")) +
                       impresoras.nombre(i));
        return 0;
    }
    if (o.ficheros.isEmpty() && o.vigilar.isEmpty())
        return uso(QStringLiteral("no se ha indicado ningún fichero PRT"));
    if (!o.cp.isEmpty()) PaginasCodigo::ponElegida(o.cp, true);
    try {
        PaginasActuales(); // a wrong page stops before any file is printed
    } catch (const ErrorVelmor& e) {
        error(e.mensaje());
        return 2;
    }
    if (const int estado = eligeImpresora(impresoras, o)) return estado;
    activaMemoriaFuentes();
    if (!o.vigilar.isEmpty()) return vigila(app, impresoras, o);
    int estado = 0;
    const auto destinos = destinosPdf(o, estado);
    if (!destinos) return estado;

    InterlocutorCli interlocutor;
    int fallos = 0;
    for (qsizetype i = 0; i < o.ficheros.size(); ++i) {
        interlocutor.destino = destinos->at(i);
        PeticionTrabajo p = peticionDe(o);
        p.ruta = o.ficheros.at(i);
        // Into a folder, a PDF never replaces one; a single --pdf SALIDA.pdf is the user's name.
        p.pdfSinSustituir = o.ficheros.size() > 1 && !o.pdf.isEmpty();
        std::optional<EntradaCopiada> entrada;
        if (p.ruta == QLatin1String("-")) {
            try {
                p.ruta = entrada.emplace(STDIN_FILENO, QStringLiteral("-")).ruta();
            } catch (const ErrorVelmor& e) {
                error(e.mensaje());
                ++fallos;
                continue;
            }
        }
        if (!imprime(impresoras, interlocutor, p, entrada ? &*entrada : nullptr)) ++fallos;
    }
    MemoriaFuentes::DelProceso().guarda();
    // Every file of the run is written, closed and named, and every job is gone: what is left is
    // tearing down Qt and the libraries, a few hundred microseconds of a short job that the
    // kernel does at once.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(fallos ? 1 : 0);
}
