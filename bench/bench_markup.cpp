// Expansion and splitting throughput. Each benchmark builds one line of the given size and reports
// bytes per second; equal MB/s at 10 KB, 100 KB and 1 MB means linear time.
#include "markup/segmentos.h"
#include "markup/sustituye_prt.h"
#include "shared/error.h"

#include <benchmark/benchmark.h>

namespace {

QString repite(const QString& patron, qsizetype largo) {
    QString linea;
    linea.reserve(largo + patron.size());
    while (linea.size() < largo)
        linea += patron;
    return linea.left(largo);
}

// Typical report text: columns with a few bracket codes and long tags.
QString tipica(qsizetype largo) {
    return repite("[N]FACTURA 2026/0042[n]  Cliente: Ferreteria del Norte  {{Elite}}Importe: "
                  "1.234,56 EUR [C]IVA 21%{{Pica}}  ",
                  largo);
}
// 1 MB with 100,000 spans: ten characters per span.
QString muchosSpans(qsizetype largo) {
    return repite("ab[NIS]xy ", largo);
}
QString corchetes(qsizetype largo) {
    return QString(largo, u'[');
}
// Font spans whose names hold "[": every span starts inside the tag made before it.
QString fuentesEncadenadas(qsizetype largo) {
    return "[*" + repite("[*x]", largo - 2);
}

void expande(benchmark::State& estado, QString (*genera)(qsizetype)) {
    const QString linea = genera(estado.range(0));
    for (auto _ : estado)
        benchmark::DoNotOptimize(SustituyePrt(linea));
    estado.SetBytesProcessed(int64_t(estado.iterations()) * linea.size());
}

void divide(benchmark::State& estado, QString (*genera)(qsizetype)) {
    const QString linea = SustituyePrt(genera(estado.range(0)));
    for (auto _ : estado) {
        try {
            Segmentos segmentos(linea);
            int n = 0;
            while (segmentos.siguiente())
                ++n;
            benchmark::DoNotOptimize(n);
        } catch (const ErrorVelmor&) {
        }
    }
    estado.SetBytesProcessed(int64_t(estado.iterations()) * linea.size());
}

// Splitting an unexpanded "{{" flood: every "{{" opens a tag that never closes.
QString llaves(qsizetype largo) {
    return "x" + repite("{{a}}", largo - 1);
}

} // namespace

#define TAMANOS ->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond)
BENCHMARK_CAPTURE(expande, tipica, tipica) TAMANOS;
BENCHMARK_CAPTURE(expande, muchos_spans, muchosSpans) TAMANOS;
BENCHMARK_CAPTURE(expande, corchetes, corchetes) TAMANOS;
BENCHMARK_CAPTURE(expande, fuentes_encadenadas, fuentesEncadenadas) TAMANOS;
BENCHMARK_CAPTURE(divide, tipica, tipica) TAMANOS;
BENCHMARK_CAPTURE(divide, muchos_spans, muchosSpans) TAMANOS;
BENCHMARK_CAPTURE(divide, etiquetas_vacias, llaves) TAMANOS;

BENCHMARK_MAIN();
