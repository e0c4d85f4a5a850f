#include "printing/limpieza_senales.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {
constexpr int kHuecos = 16;

// Read from a signal handler: plain arrays and lock-free flags only.
enum Estado : int { Libre, Tomado, Listo };
struct Hueco {
    std::atomic<int> estado{Libre};
    char ruta[PATH_MAX]{};
};
Hueco huecos[kHuecos];

void alRecibir(int senal) {
    for (Hueco& h : huecos)
        if (h.estado.load() == Listo) ::unlink(h.ruta);
    ::signal(senal, SIG_DFL);
    ::raise(senal);
}
} // namespace

namespace LimpiezaSenales {

void Instala() {
    static std::once_flag hecho;
    std::call_once(hecho, [] {
        struct sigaction accion {};
        accion.sa_handler = alRecibir;
        sigemptyset(&accion.sa_mask);
        for (int senal : {SIGTERM, SIGINT, SIGHUP})
            sigaction(senal, &accion, nullptr);
        ::signal(SIGXFSZ, SIG_IGN);
    });
}

int Registra(const QByteArray& ruta) {
    if (ruta.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kHuecos; ++i) {
        Hueco& h = huecos[i];
        int libre = Libre;
        if (!h.estado.compare_exchange_strong(libre, Tomado)) continue;
        std::memcpy(h.ruta, ruta.constData(), size_t(ruta.size()) + 1);
        h.estado.store(Listo);
        return i;
    }
    return -1;
}

void Olvida(int slot) {
    if (slot >= 0 && slot < kHuecos) huecos[slot].estado.store(Libre);
}

} // namespace LimpiezaSenales
