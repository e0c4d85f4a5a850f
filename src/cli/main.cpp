// velmor-imprimir: prints PRT files from the command line with the same renderer as the program.
#include "printing/imprimir_prt.h"
#include "printing/system_printers.h"
#include "shared/codepage.h"
#include "shared/error.h"
#include "shared/paths.h"
#include "shared/version.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {
void salida(FILE* f, const QString& texto) {
    const QByteArray b = texto.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fputc('\n', f);
}

const char* kAyuda =
    "Uso: velmor-imprimir [opciones] FICHERO.prt...\n"
    "     velmor-imprimir --impresoras\n"
    "\n"
    "Imprime ficheros PRT con los efectos de letra que piden (negrita, paso, ampliada,\n"
    "saltos de página, imagen de fondo) en una impresora del sistema o en un fichero PDF.\n"
    "\n"
    "Opciones:\n"
    "  --impresoras         lista las impresoras (la actual marcada con «*») y termina\n"
    "  --impresora NOMBRE   imprime en esa impresora (por defecto, la predeterminada del\n"
    "                       sistema, o «Archivo PDF» si no hay ninguna)\n"
    "  --pdf SALIDA.pdf     imprime en la impresora «Archivo PDF», en el fichero SALIDA.pdf.\n"
    "                       Con varios ficheros se escribe un PDF por fichero: SALIDA.pdf es\n"
    "                       entonces una carpeta (se crea si no existe) y cada PDF se llama\n"
    "                       como su PRT con la extensión .pdf (LISTADO.PRT -> LISTADO.pdf);\n"
    "                       dos ficheros que darían el mismo PDF se rechazan. Un fichero sin\n"
    "                       nada que imprimir no escribe PDF (se avisa)\n"
    "  --horizontal         papel en horizontal\n"
    "  --vertical           papel en vertical\n"
    "  --ms-dos             modo MS-Dos: sin conversión de página de códigos, letra Ravendot\n"
    "  --lineas N           líneas por página (por defecto 66)\n"
    "  --borrar             borra cada fichero después de imprimirlo bien\n"
    "  --help               muestra esta ayuda\n"
    "  --version            muestra la versión\n"
    "\n"
    "Estado de salida: 0 si todos los ficheros se imprimieron; 1 si alguno falló (el error,\n"
    "con el fichero, la línea y la causa, sale por la salida de errores); 2 si los argumentos\n"
    "no son válidos o la impresora no existe.\n"
    "La impresora del sistema se busca mediante CUPS (variable CUPS_SERVER respetada).";

int uso(const QString& mensaje) {
    salida(stderr, QStringLiteral("velmor-imprimir: ") + mensaje);
    salida(stderr, QStringLiteral("Pruebe «velmor-imprimir --help» para más información."));
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments();
    args.removeFirst();
    QString impresora, pdf;
    int orientacion = 0, lineas = 66;
    bool dos = false, borrar = false, lista = false;
    QStringList ficheros;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto valor = [&](const char* opcion) -> std::optional<QString> {
            if (i + 1 >= args.size()) return std::nullopt;
            Q_UNUSED(opcion);
            return args.at(++i);
        };
        if (a == "--version") {
            salida(stdout, QStringLiteral("velmor-imprimir ") + VersionVelmor());
            return 0;
        }
        if (a == "--help" || a == "-h") {
            salida(stdout, QString::fromUtf8(kAyuda));
            return 0;
        } else if (a == "--impresoras") {
            lista = true;
        } else if (a == "--impresora") {
            auto v = valor("--impresora");
            if (!v) return uso(QStringLiteral("falta el nombre de la impresora tras --impresora"));
            impresora = *v;
        } else if (a == "--pdf") {
            auto v = valor("--pdf");
            if (!v) return uso(QStringLiteral("falta el fichero de salida tras --pdf"));
            pdf = *v;
        } else if (a == "--horizontal") {
            orientacion = 2;
        } else if (a == "--vertical") {
            orientacion = 1;
        } else if (a == "--ms-dos") {
            dos = true;
        } else if (a == "--borrar") {
            borrar = true;
        } else if (a == "--lineas") {
            auto v = valor("--lineas");
            bool ok = false;
            const int n = v ? v->toInt(&ok) : 0;
            if (!ok || n < 1 || n > 32767)
                return uso(QStringLiteral("--lineas necesita un número entre 1 y 32767"));
            lineas = n;
        } else if (a == "--") {
            ficheros += args.mid(i + 1);
            break;
        } else if (a.startsWith("--")) {
            return uso(QStringLiteral("opción desconocida «%1»").arg(a));
        } else {
            ficheros << a;
        }
    }

    ImpresorasSistema impresoras;
    if (lista) {
        for (int i = 0; i < impresoras.cuenta(); ++i)
            salida(stdout,
                   (i == impresoras.actual() ? QStringLiteral("* ") : QStringLiteral("  ")) +
                       impresoras.nombre(i));
        return 0;
    }
    if (ficheros.isEmpty()) return uso(QStringLiteral("no se ha indicado ningún fichero PRT"));
    try {
        PaginasCodigo::actuales(); // a wrong VELMOR_CP_DOS stops before any file is printed
    } catch (const ErrorVelmor& e) {
        salida(stderr, QStringLiteral("velmor-imprimir: ") + e.texto());
        return 2;
    }
    if (!pdf.isEmpty() && !impresora.isEmpty() && impresora != ImpresorasSistema::nombrePdf())
        return uso(
            QStringLiteral("--pdf no se puede combinar con --impresora «%1»").arg(impresora));

    if (!pdf.isEmpty()) impresora = ImpresorasSistema::nombrePdf();
    if (!impresora.isEmpty()) {
        int pos = -1;
        for (int i = 0; i < impresoras.cuenta(); ++i)
            if (impresoras.nombre(i) == impresora) pos = i;
        if (pos < 0)
            return uso(
                QStringLiteral("no existe la impresora «%1» (vea --impresoras)").arg(impresora));
        impresoras.hazActual(pos);
    }
    if (impresoras.actualEsPdf() && pdf.isEmpty())
        return uso(QStringLiteral("la impresora «Archivo PDF» necesita --pdf SALIDA.pdf"));
    if (orientacion) {
        try {
            impresoras.ponOrientacion(orientacion);
        } catch (const ErrorVelmor& e) {
            salida(stderr, QStringLiteral("velmor-imprimir: ") + e.texto());
            return 2;
        }
    }

    const bool variosPdf = !pdf.isEmpty() && ficheros.size() > 1;
    if (variosPdf) {
        QFileInfo carpeta(pdf);
        if (carpeta.exists() && !carpeta.isDir())
            return uso(
                QStringLiteral("con varios ficheros, --pdf debe ser una carpeta: «%1»").arg(pdf));
        if (!carpeta.exists() && !QDir().mkpath(pdf))
            return uso(QStringLiteral("no se puede crear la carpeta «%1»").arg(pdf));
    }

    // Each file's PDF; two files that would write the same one are refused before anything is
    // printed, since the second would overwrite the first (and --borrar delete both PRT files).
    QStringList salidas;
    if (variosPdf) {
        QHash<QString, QString> deQuien;
        for (const QString& fichero : ficheros) {
            const QString destino =
                QDir(pdf).filePath(QFileInfo(fichero).completeBaseName() + QStringLiteral(".pdf"));
            if (deQuien.contains(destino))
                return uso(QStringLiteral("«%1» y «%2» escribirían el mismo PDF «%3»")
                               .arg(deQuien.value(destino), fichero, destino));
            deQuien.insert(destino, fichero);
            salidas << destino;
        }
    }

    int fallos = 0;
    for (qsizetype i = 0; i < ficheros.size(); ++i) {
        const QString& fichero = ficheros.at(i);
        const QString destino = variosPdf ? salidas.at(i) : pdf; // empty: a system printer
        if (!destino.isEmpty()) impresoras.ponSalidaPdf(destino);
        TrabajoPrt trabajo;
        trabajo.ruta = fichero;
        trabajo.modoDos = dos;
        trabajo.lineasPagina = lineas;
        const QDateTime antes = QFileInfo(destino).lastModified();
        const ResultadoPrt r = ImprimirPrt(trabajo, impresoras);
        // A file with nothing to print writes no PDF; an older one of that name is not its output.
        if (r && !destino.isEmpty() &&
            (!QFileInfo::exists(destino) || QFileInfo(destino).lastModified() == antes))
            salida(stderr, QStringLiteral("velmor-imprimir: %1: no tiene nada que imprimir; no se "
                                          "ha escrito «%2»")
                               .arg(fichero, destino));
        if (!r) {
            ++fallos;
            salida(stderr, QStringLiteral("velmor-imprimir: %1: error %2: %3")
                               .arg(fichero)
                               .arg(r.error->numero())
                               .arg(r.error->descripcion()));
            continue;
        }
        if (!borrar) continue;
        try {
            BorrarFichero(fichero);
        } catch (const ErrorVelmor& e) {
            ++fallos;
            salida(stderr, QStringLiteral("velmor-imprimir: %1: impreso, pero: %2")
                               .arg(fichero, e.descripcion()));
        }
    }
    return fallos ? 1 : 0;
}
