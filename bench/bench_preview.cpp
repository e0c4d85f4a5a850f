// Benchmark of the preview: time to open the preview of a 66,000-line report (load step
// with CargarRTF, then the first show and paint) and the memory it takes. Goal: under 1 s.
//
//   bench_preview [--lineas N] [--vueltas N]       report figures for a generated report
//   bench_preview --captura salida.png fichero.prt  save a picture of the preview of a file
//
// Runs on the platform given by QT_QPA_PLATFORM (offscreen when unset).
#include "preview/frm_prt_ver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long estadoKiB(const char* campo) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray clave = QByteArray(campo) + ':';
    for (const QByteArray& linea : f.readAll().split('\n'))
        if (linea.startsWith(clave))
            return linea.mid(clave.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A report as the text-mode programs write it: columns, bracket codes and long tags on some lines,
// DOS (850) accented letters, CR LF line ends, a page break every 66 lines.
QByteArray informe(int lineas) {
    QByteArray datos;
    datos.reserve(qsizetype(lineas) * 100);
    for (int i = 0; i < lineas; ++i) {
        const int k = i % 66;
        if (k == 0)
            datos += "[1]VARENTA S.L.[Z]    [A]LISTADO DE FACTURAS[a]        P\xA0gina " +
                     QByteArray::number(i / 66 + 1);
        else if (k == 1)
            datos += "{{Comprimida}}Cliente          Nombre                         Fecha       "
                     "Importe     Pendiente{{Pica}}";
        else if (k == 65)
            datos += "{{NegritaOn}}Suma y sigue ......................................... "
                     "1.234.567,89{{NegritaOff}}{{Pagina}}";
        else {
            datos += QByteArray::number(100000 + i) +
                     "  Compa\xA4\x82"
                     "a de Servicios Generales n\xA7" +
                     QByteArray::number(k) + "   01/02/2026  ";
            datos += (k % 7 == 0) ? "[N]   12.345,67[n]" : "    1.234,56";
            datos += (k % 11 == 0) ? "  {{SubrayadoOn}}pendiente{{SubrayadoOff}}" : "  -";
        }
        datos += "\r\n";
    }
    return datos;
}

int captura(const QString& salida, const QString& fichero) {
    const QFileInfo info(fichero);
    frmPrtVer ventana;
    ventana.Cargar(info.absolutePath(), info.fileName(), false);
    ventana.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    if (!ventana.grab().save(salida)) {
        std::fprintf(stderr, "no se pudo guardar %s\n", qPrintable(salida));
        return 1;
    }
    std::printf("%s: %dx%d\n", qPrintable(salida), ventana.width(), ventana.height());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--captura")) return captura(args[2], args[3]);

    int lineas = 66000, vueltas = 5;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--lineas"))
            lineas = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--vueltas"))
            vueltas = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    const QString nombre = QStringLiteral("INFORME.PRT");
    {
        QFile f(dir.filePath(nombre));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(informe(lineas));
    }
    const qint64 bytes = QFileInfo(dir.filePath(nombre)).size();
    std::printf("informe: %d lineas, %lld bytes\n", lineas, static_cast<long long>(bytes));

    std::vector<double> cargas, totales;
    long rssAntes = 0, rssDespues = 0;
    for (int v = 0; v < vueltas; ++v) {
        const long rss0 = estadoKiB("VmRSS");
        QElapsedTimer reloj;
        reloj.start();
        auto* ventana = new frmPrtVer;
        ventana->Cargar(dir.path(), nombre, false);
        const double carga = reloj.nsecsElapsed() / 1e6;
        ventana->show();
        // The first paint of the window and its box: the preview is on screen.
        ventana->rtfVisor()->viewport()->repaint();
        QApplication::processEvents();
        const double total = reloj.nsecsElapsed() / 1e6;
        // The box lays the rest of the text out in the background while it is already usable;
        // wait until the scroll range stops growing to time the whole layout as well.
        QScrollBar* barra = ventana->rtfVisor()->verticalScrollBar();
        for (int quieto = 0, ultimo = -1; quieto < 10;) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
            quieto = (barra->maximum() == ultimo) ? quieto + 1 : 0;
            ultimo = barra->maximum();
        }
        const double maquetado = reloj.nsecsElapsed() / 1e6 - 10 * 2; // less the quiet wait
        const long rss1 = estadoKiB("VmRSS");
        cargas.push_back(carga);
        totales.push_back(total);
        if (v == 0) {
            rssAntes = rss0;
            rssDespues = rss1;
            std::printf("bloques: %d, caracteres: %d\n",
                        ventana->rtfVisor()->document()->blockCount(),
                        ventana->rtfVisor()->document()->characterCount());
        }
        std::printf("vuelta %d: Cargar %.1f ms, hasta mostrada %.1f ms, maquetacion completa ~%.0f "
                    "ms, RSS %+ld KiB\n",
                    v + 1, carga, total, maquetado, rss1 - rss0);
        ventana->close();
        delete ventana;
        QApplication::processEvents();
    }
    std::sort(cargas.begin(), cargas.end());
    std::sort(totales.begin(), totales.end());
    std::printf("mediana: Cargar %.1f ms, abrir la vista previa %.1f ms (objetivo < 1000 ms)\n",
                cargas[cargas.size() / 2], totales[totales.size() / 2]);
    std::printf(
        "memoria de la primera vista: %ld KiB (RSS %ld -> %ld KiB), pico del proceso %ld KiB\n",
        rssDespues - rssAntes, rssAntes, rssDespues, estadoKiB("VmHWM"));
    return totales[totales.size() / 2] < 1000.0 ? 0 : 2;
}
