#include "cli/opciones_cli.h"

#include <QCommandLineParser>

namespace {
// A whole number within the limits, or nothing.
std::optional<int> entero(const QString& texto, int minimo, int maximo) {
    bool ok = false;
    const int n = texto.toInt(&ok);
    if (!ok || n < minimo || n > maximo) return std::nullopt;
    return n;
}
} // namespace

std::optional<QString> OpcionesCli::analiza(const QStringList& argumentos) {
    QCommandLineParser p;
    const QCommandLineOption oAyuda(QStringList{"h", "help"}), oVersion("version"),
        oLista("impresoras"), oImpresora(QStringList{"d", "impresora"}, {}, "NOMBRE"),
        oPdf("pdf", {}, "SALIDA"), oHorizontal("horizontal"), oVertical("vertical"), oDos("ms-dos"),
        oLineas("lineas", {}, "N"), oBorrar("borrar"), oEspera("espera", {}, "SEGUNDOS"),
        oCopias(QStringList{"n", "copias"}, {}, "COPIAS");
    p.addOptions({oAyuda, oVersion, oLista, oImpresora, oPdf, oHorizontal, oVertical, oDos, oLineas,
                  oBorrar, oEspera, oCopias});
    if (!p.parse(argumentos)) return p.errorText();

    ayuda = p.isSet(oAyuda);
    version = p.isSet(oVersion);
    listaImpresoras = p.isSet(oLista);
    impresora = p.value(oImpresora);
    pdf = p.value(oPdf);
    if (p.isSet(oHorizontal) && p.isSet(oVertical))
        return QStringLiteral("--horizontal y --vertical no pueden ir juntas");
    orientacion = p.isSet(oHorizontal) ? Orientacion::Horizontal
                  : p.isSet(oVertical) ? Orientacion::Vertical
                                       : Orientacion::SegunImpresora;
    modoDos = p.isSet(oDos);
    borrar = p.isSet(oBorrar);
    if (p.isSet(oLineas)) {
        const auto n = entero(p.value(oLineas), 1, 32767);
        if (!n) return QStringLiteral("--lineas necesita un número entre 1 y 32767");
        lineas = *n;
    }
    if (p.isSet(oEspera)) {
        const auto n = entero(p.value(oEspera), 0, 7 * 24 * 3600);
        if (!n) return QStringLiteral("--espera necesita un número de segundos (0 o más)");
        esperaSegundos = *n;
    }
    if (p.isSet(oCopias)) {
        const auto n = entero(p.value(oCopias), 1, 999);
        if (!n) return QStringLiteral("-n necesita un número de copias entre 1 y 999");
        copias = *n;
    }
    ficheros = p.positionalArguments();
    return std::nullopt;
}

QString OpcionesCli::Ayuda() {
    return QStringLiteral(
        "Uso: velmor-imprimir [opciones] FICHERO.prt...\n"
        "     velmor-imprimir --impresoras\n"
        "\n"
        "Imprime ficheros PRT con los efectos de letra que piden (negrita, paso, ampliada,\n"
        "saltos de página, imagen de fondo) en una impresora del sistema o en un fichero PDF.\n"
        "\n"
        "Opciones (las que llevan un valor, también así: --lineas=66):\n"
        "  --impresoras         lista las impresoras (la actual marcada con «*») y termina\n"
        "  -d, --impresora NOMBRE\n"
        "                       imprime en esa impresora (por defecto, la predeterminada del\n"
        "                       sistema, o «Archivo PDF» si no hay ninguna)\n"
        "  --pdf SALIDA.pdf     imprime en la impresora «Archivo PDF», en el fichero SALIDA.pdf.\n"
        "                       Con varios ficheros se escribe un PDF por fichero: SALIDA.pdf es\n"
        "                       entonces una carpeta (se crea si no existe) y cada PDF se llama\n"
        "                       como su PRT con la extensión .pdf (LISTADO.PRT -> LISTADO.pdf);\n"
        "                       dos ficheros que darían el mismo PDF se rechazan. Un fichero sin\n"
        "                       nada que imprimir no escribe PDF (se avisa). El PDF se escribe\n"
        "                       entero o no se escribe\n"
        "  --horizontal         papel en horizontal\n"
        "  --vertical           papel en vertical\n"
        "  --ms-dos             modo MS-Dos: sin conversión de página de códigos, letra Ravendot\n"
        "  --lineas N           líneas por página (por defecto 66)\n"
        "  -n, --copias N       número de copias en una impresora del sistema (por defecto 1)\n"
        "  --borrar             borra cada fichero cuando se ha impreso entero: con «Archivo "
        "PDF»,\n"
        "                       cuando el PDF está guardado en el disco; con una impresora del\n"
        "                       sistema, cuando su trabajo ha terminado en CUPS\n"
        "  --espera SEGUNDOS    con --borrar, cuánto esperar a que termine cada trabajo de CUPS\n"
        "                       (por defecto 300); pasado ese tiempo el fichero se conserva\n"
        "  -h, --help           muestra esta ayuda\n"
        "  --version            muestra la versión\n"
        "\n"
        "Estado de salida: 0 si todos los ficheros se imprimieron (y, con --borrar, se borraron);\n"
        "1 si alguno falló o se conservó (el motivo, con el fichero y, si la causa es una línea,\n"
        "la línea, sale por la salida de errores); 2 si los argumentos no son válidos o la\n"
        "impresora no existe.\n"
        "La impresora del sistema se busca mediante CUPS (variable CUPS_SERVER respetada).");
}
