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
        oCopias(QStringList{"n", "copias"}, {}, "COPIAS"), oVigilar("vigilar", {}, "CARPETA"),
        oReposo("reposo", {}, "MILISEGUNDOS"), oNueve("escp9"), oCp("cp", {}, "PAGINA"),
        oPapel("papel", {}, "PAPEL"), oMargenes("margenes", {}, "MM"),
        oAgujas("agujas", {}, "24|9");
    p.addOptions({oAyuda, oVersion, oLista, oImpresora, oPdf, oHorizontal, oVertical, oDos, oLineas,
                  oBorrar, oEspera, oCopias, oVigilar, oReposo, oNueve, oCp, oPapel, oMargenes,
                  oAgujas});
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
        if (auto motivo = ajustes.LeeLineas(p.value(oLineas))) return motivo;
        lineas = ajustes.lineas;
    }
    if (p.isSet(oPapel))
        if (auto motivo = ajustes.LeePapel(p.value(oPapel))) return "--papel: " + *motivo;
    if (p.isSet(oMargenes))
        if (auto motivo = ajustes.LeeMargenes(p.value(oMargenes))) return "--margenes: " + *motivo;
    if (p.isSet(oAgujas))
        if (auto motivo = ajustes.LeeAgujas(p.value(oAgujas))) return motivo;
    if (p.isSet(oNueve)) ajustes.agujas = 9;
    nueveAgujas = ajustes.agujas == 9;
    if (p.isSet(oCp)) {
        cp = p.value(oCp).trimmed();
        if (cp.isEmpty())
            return QStringLiteral("--cp necesita una página de códigos (850, 437...)");
        ajustes.paginaCodigo = cp;
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
    vigilar = p.value(oVigilar);
    if (p.isSet(oVigilar) && vigilar.isEmpty())
        return QStringLiteral("--vigilar necesita una carpeta");
    if (p.isSet(oReposo)) {
        if (vigilar.isEmpty()) return QStringLiteral("--reposo solo vale con --vigilar");
        const auto n = entero(p.value(oReposo), 0, 3600 * 1000);
        if (!n) return QStringLiteral("--reposo necesita un número de milisegundos (0 o más)");
        reposoMs = *n;
    }
    ficheros = p.positionalArguments();
    if (!vigilar.isEmpty() && !ficheros.isEmpty())
        return QStringLiteral("con --vigilar no se indican ficheros: se imprimen los «.prt» de "
                              "la carpeta");
    return compruebaEstandar();
}

// "-" is standard input as the file, or standard output as --pdf: neither is a file that could
// be deleted once printed.
std::optional<QString> OpcionesCli::compruebaEstandar() const {
    const qsizetype entradas = ficheros.count(QStringLiteral("-"));
    if (entradas > 1)
        return QStringLiteral("«-» (la entrada estándar) solo se puede indicar una vez");
    if (borrar && (entradas > 0 || pdf == QLatin1String("-")))
        return QStringLiteral("--borrar no vale con «-»: la entrada y la salida estándar no son "
                              "ficheros que se puedan borrar");
    if (pdf == QLatin1String("-") && ficheros.size() != 1)
        return QStringLiteral("--pdf - (la salida estándar) vale para un solo fichero");
    return std::nullopt;
}

QString OpcionesCli::Ayuda() {
    return QStringLiteral(
        "Uso: velmor-imprimir [opciones] FICHERO.prt...\n"
        "     velmor-imprimir [opciones] --vigilar CARPETA\n"
        "     velmor-imprimir --impresoras\n"
        "\n"
        "Imprime ficheros PRT con los efectos de letra que piden (negrita, paso, ampliada,\n"
        "saltos de página, imagen de fondo) en una impresora del sistema o en un fichero PDF.\n"
        "El fichero «-» es la entrada estándar, y --pdf - escribe el PDF en la salida estándar\n"
        "(ninguno de los dos con --borrar).\n"
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
        "                       entero o no se escribe. Con --vigilar, SALIDA es siempre una\n"
        "                       carpeta y un PDF nunca sustituye a otro: si INFORME.pdf ya\n"
        "                       existe, se escribe INFORME-2.pdf, y así sucesivamente\n"
        "  --horizontal         papel en horizontal\n"
        "  --vertical           papel en vertical\n"
        "  --ms-dos             modo MS-Dos: sin conversión de página de códigos, letra Ravendot\n"
        "  --lineas N           líneas por página (por defecto 66)\n"
        "  --escp9              los ficheros Epson son de una impresora de 9 agujas (sus\n"
        "                       unidades de interlineado y gráficos); por defecto, de 24 agujas\n"
        "  --cp PAGINA          página de códigos DOS del fichero (por defecto 850, o la de la\n"
        "                       variable VELMOR_CP_DOS): 437, 850, 858...\n"
        "  --papel PAPEL        impresora (el papel de la impresora, por defecto), a4, carta,\n"
        "                       legal, continuo (240 mm por 12 pulgadas) o ANCHOxALTO en mm\n"
        "  --margenes MM        márgenes en mm: uno para los cuatro, o cuatro separados por\n"
        "                       comas, izquierda,arriba,derecha,abajo (por defecto 4.23)\n"
        "  --agujas 24|9        el modelo de impresora Epson para el que se escribieron los\n"
        "                       códigos del fichero: de 24 agujas (por defecto) o de 9\n"
        "  -n, --copias N       número de copias en una impresora del sistema (por defecto 1)\n"
        "  --borrar             borra cada fichero cuando se ha impreso entero: con «Archivo "
        "PDF»,\n"
        "                       cuando el PDF está guardado en el disco; con una impresora del\n"
        "                       sistema, cuando su trabajo ha terminado en CUPS\n"
        "  --espera SEGUNDOS    con --borrar, cuánto esperar a que termine cada trabajo de CUPS\n"
        "                       (por defecto 300); pasado ese tiempo el fichero se conserva\n"
        "  --vigilar CARPETA    vigila la carpeta: imprime cada fichero «.prt» que hay en ella\n"
        "                       y cada uno que llega, cuando está completo (cerrado y sin\n"
        "                       cambios durante el reposo), de uno en uno y por orden de\n"
        "                       llegada; escribe una línea por fichero. Los que fallan pasan a\n"
        "                       CARPETA/errores/ con un .txt que dice por qué; los impresos que\n"
        "                       se quedan se anotan en CARPETA/.velmor-vigilar y no se vuelven a\n"
        "                       imprimir. Termina con SIGTERM o SIGINT (Ctrl+C)\n"
        "  --reposo MILISEGUNDOS\n"
        "                       con --vigilar, cuánto debe quedar un fichero sin cambios antes de\n"
        "                       imprimirse (por defecto 2000)\n"
        "  -h, --help           muestra esta ayuda\n"
        "  --version            muestra la versión\n"
        "\n"
        "Estado de salida: 0 si todos los ficheros se imprimieron (y, con --borrar, se borraron),\n"
        "o, con --vigilar, si la vigilancia se paró con SIGTERM o SIGINT;\n"
        "1 si alguno falló o se conservó (el motivo, con el fichero y, si la causa es una línea,\n"
        "la línea, sale por la salida de errores), o si la carpeta vigilada desaparece; 2 si los\n"
        "argumentos no son válidos, la impresora no existe o la carpeta no se puede vigilar.\n"
        "La impresora del sistema se busca mediante CUPS (variable CUPS_SERVER respetada).");
}
