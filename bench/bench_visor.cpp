// Benchmark of the preview's two views on reports of 3, 1,000 and 5,000 pages (66 lines each):
// time until page 1 is on screen and the memory the preview takes, the text view beside the page
// view in the same run; for the page view also the time until the whole document is in and the
// time from the PgDn key to the next page painted, for a reader and for a held key. Goals of the
// page view: page 1 of 1,000 pages within 0.25 s, at most 15 MB more than before the preview
// opened, later pages within 20 ms each. Memory is the growth of the process's resident set
// (anonymous: heap, pages drawn; file: library code and fonts read in). Each line gives the load
// average it ran under: the machine is shared.
//
//   bench_visor                       the whole table (each figure from a fresh process)
//   bench_visor --medir VISTA FICHERO one measurement: VISTA is "texto" or "paginas"
//
// Runs on the platform given by QT_QPA_PLATFORM (offscreen when unset).
#include "preview/frm_prt_ver.h"
#include "preview/hojas_pdf.h"
#include "preview/vista_paginas.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A line of /proc/self/status in KiB: VmRSS (the whole), RssAnon (heap, stacks), RssFile.
long rssKiB(const char* campo = "VmRSS:") {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& linea : f.readAll().split('\n'))
        if (linea.startsWith(campo))
            return linea.mid(int(qstrlen(campo))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A report as the text-mode programs write it: a header, columns, bracket codes and long tags,
// DOS accented letters, CR LF line ends, a page break every 66 lines.
QByteArray informe(int paginas) {
    QByteArray datos;
    for (int i = 0; i < paginas * 66; ++i) {
        const int k = i % 66;
        if (k == 0)
            datos += "[1]VARENTA S.L.[Z]    [A]LISTADO DE FACTURAS[a]        P\xA0gina " +
                     QByteArray::number(i / 66 + 1);
        else if (k == 65)
            datos += "{{NegritaOn}}Suma y sigue ......................... 1.234.567,89"
                     "{{NegritaOff}}{{Pagina}}";
        else
            datos += QByteArray::number(100000 + i) + "  Compa\xA4\xA1" +
                     "a de Servicios Generales   01/02/2026  " +
                     ((k % 7 == 0) ? "[N]   12.345,67[n]" : "    1.234,56");
        datos += "\r\n";
    }
    return datos;
}

// Waits, handling events, until `listo` or a minute has gone. It sleeps between events as the
// program's own event loop does: processEvents with a time limit never sleeps, and a waiter
// spinning on one of the two cores would take it from the threads being measured.
template <typename F> bool espera(F listo) {
    QElapsedTimer limite;
    limite.start();
    QTimer despertador; // to look at the clock now and then
    despertador.start(10);
    QEventLoop bucle;
    while (!listo()) {
        if (limite.elapsed() > 60000) return false;
        bucle.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The costs the preview shares with the main window that is open before it: style, fonts.
void calienta() {
    QWidget w;
    auto* t = new QTextEdit(&w);
    t->setPlainText(QStringLiteral("Velmor"));
    new QLabel(QStringLiteral("Velmor"), &w);
    w.show();
    QApplication::processEvents();
}

int mideTexto(const QString& ruta) {
    const long antes = rssKiB();
    QElapsedTimer reloj;
    reloj.start();
    frmPrtVer ventana;
    ventana.Cargar(QFileInfo(ruta).path(), QFileInfo(ruta).fileName(), false,
                   frmPrtVer::Vista::Texto);
    ventana.show();
    ventana.rtfVisor()->viewport()->repaint();
    const double ms = reloj.nsecsElapsed() / 1e6;
    std::printf("texto %.1f ms %ld KiB\n", ms, rssKiB() - antes);
    return 0;
}

struct Memoria {
    long total, anonima, ficheros; // KiB
    static Memoria ahora() { return {rssKiB(), rssKiB("RssAnon:"), rssKiB("RssFile:")}; }
    Memoria operator-(const Memoria& o) const {
        return {total - o.total, anonima - o.anonima, ficheros - o.ficheros};
    }
};

// How the user presses PgDn: once the view has drawn what it draws ahead (reading each page), as
// a held key repeats (30 times a second), or the moment the page before is painted (faster than
// any keyboard repeats: what the drawing thread can keep up with).
enum class Ritmo { Leyendo, Repeticion, Seguidas };

// Median and worst of the times from the PgDn key to the next page painted, over 20 pages.
std::pair<double, double> pasaPaginas(VistaPaginas* v, Ritmo ritmo) {
    std::vector<double> tiempos;
    QElapsedTimer desdeLaAnterior;
    desdeLaAnterior.start();
    for (int i = 0; i < 20 && v->pagina() + 1 < v->paginas(); ++i) {
        const int destino = v->pagina() + 1;
        const bool listo =
            ritmo == Ritmo::Leyendo      ? espera([&] { return v->vista()->dibujada(destino); })
            : ritmo == Ritmo::Repeticion ? espera([&] { return desdeLaAnterior.elapsed() >= 33; })
                                         : true;
        if (!listo) return {-1, -1};
        desdeLaAnterior.restart();
        QElapsedTimer r;
        r.start();
        QTest::keyClick(v->vista(), Qt::Key_PageDown);
        if (!espera([&] { return v->vista()->dibujada(destino); })) return {-1, -1};
        v->vista()->viewport()->repaint();
        tiempos.push_back(r.nsecsElapsed() / 1e6);
    }
    std::sort(tiempos.begin(), tiempos.end());
    if (tiempos.empty()) return {0, 0};
    return {tiempos[tiempos.size() / 2], tiempos.back()};
}

// The scroll bar dragged down over 200 pages, a step of 4 pages every 5 ms; the time from the end
// of the drag to the page then on screen painted (what is drawn for the pages passed on the way
// delays it).
double arrastre(VistaPaginas* v) {
    QScrollBar* barra = v->vista()->verticalScrollBar();
    const int paso = 4 * (v->vista()->rectPagina(1).top() - v->vista()->rectPagina(0).top());
    QElapsedTimer r;
    for (int i = 0; i < 50; ++i) {
        r.start();
        barra->setValue(barra->value() + paso);
        espera([&] { return r.elapsed() >= 5; });
    }
    r.start();
    const int destino = v->pagina();
    if (!espera([&] { return v->vista()->dibujada(destino); })) return -1;
    v->vista()->viewport()->repaint();
    return r.nsecsElapsed() / 1e6;
}

// Starts the process's peak resident set (VmHWM) again from its present size.
void reiniciaPico() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

int midePaginas(const QString& ruta) {
    const Memoria antes = Memoria::ahora();
    reiniciaPico();
    QElapsedTimer reloj;
    reloj.start();
    frmPrtVer ventana;
    VistaPaginas* v = ventana.vistaPaginas();
    ventana.Cargar(QFileInfo(ruta).path(), QFileInfo(ruta).fileName(), false,
                   frmPrtVer::Vista::Paginas);
    ventana.show();
    const double abierta = reloj.nsecsElapsed() / 1e6;
    if (!espera([&] { return v->vista()->dibujada(0); })) return 1;
    v->vista()->viewport()->repaint(); // the rendered page 1 drawn on screen
    const double primera = reloj.nsecsElapsed() / 1e6;
    const Memoria enPrimera = Memoria::ahora() - antes;
    if (!espera([&] { return v->completa(); })) return 1;
    const double completa = reloj.nsecsElapsed() / 1e6;
    const Memoria enCompleta = Memoria::ahora() - antes;
    const long pico = rssKiB("VmHWM:") - antes.total;
    const auto [leyendo, peorLeyendo] = pasaPaginas(v, Ritmo::Leyendo);
    const auto [repeticion, peorRepeticion] = pasaPaginas(v, Ritmo::Repeticion);
    const auto [seguidas, peorSeguidas] = pasaPaginas(v, Ritmo::Seguidas);
    const double trasArrastre = arrastre(v);
    std::printf(
        "paginas (%d en el PDF) %.1f ms abierta, %.1f ms pagina 1, %.1f ms completa; KiB en la "
        "pagina 1 %ld (anonima %ld, ficheros %ld), pico hasta completa %ld, completa %ld, tras 80 "
        "paginas %ld; AvPag leyendo mediana %.1f ms peor %.1f ms, a 30/s mediana %.1f ms peor "
        "%.1f ms, seguidas mediana %.1f ms peor %.1f ms, pagina tras arrastrar la barra %.1f ms\n",
        v->paginas(), abierta, primera, completa, enPrimera.total, enPrimera.anonima,
        enPrimera.ficheros, pico, enCompleta.total, (Memoria::ahora() - antes).total, leyendo,
        peorLeyendo, repeticion, peorRepeticion, seguidas, peorSeguidas, trasArrastre);
    return 0;
}

// The load average of the last minute.
QString carga() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().split(' ').value(0))
                                       : QStringLiteral("?");
}

QString ejecuta(const QStringList& argumentos) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), argumentos);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--medir")) {
        calienta();
        return args[2] == QLatin1String("texto") ? mideTexto(args[3]) : midePaginas(args[3]);
    }
    QTemporaryDir dir;
    for (const int paginas : {3, 1000, 5000}) {
        const QString ruta = dir.filePath(QStringLiteral("P%1.PRT").arg(paginas));
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(informe(paginas));
        f.close();
        std::printf("%d paginas (%d lineas, %lld bytes)\n", paginas, paginas * 66,
                    static_cast<long long>(QFileInfo(ruta).size()));
        for (int vuelta = 1; vuelta <= 3; ++vuelta)
            for (const char* vista : {"texto", "paginas"})
                std::printf("  %d (carga %s): %s\n", vuelta, qPrintable(carga()),
                            qPrintable(ejecuta({QStringLiteral("--medir"), vista, ruta})));
        std::fflush(stdout);
    }
    return 0;
}
