#include "cli/parada_senal.h"

#include "printing/limpieza_senales.h"
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kSenales[] = {SIGTERM, SIGINT};

// Read from the signal handler: plain data only.
int tubo[2] = {-1, -1};
struct sigaction previas[std::size(kSenales)];
std::atomic<int> recibidas{0};

void alRecibir(int senal) {
    if (recibidas.fetch_add(1) == 0) {
        const int guardado = errno;
        const unsigned char numero = static_cast<unsigned char>(senal);
        [[maybe_unused]] const ssize_t n = ::write(tubo[1], &numero, 1);
        errno = guardado;
        return;
    }
    for (std::size_t i = 0; i < std::size(kSenales); ++i) {
        const auto previa = previas[i].sa_handler;
        if (kSenales[i] == senal && previa != SIG_DFL && previa != SIG_IGN) previa(senal);
    }
    ::signal(senal, SIG_DFL);
    ::raise(senal);
}
} // namespace

ParadaPorSenal::ParadaPorSenal(QObject* parent) : QObject(parent) {
    LimpiezaSenales::Instala();
    if (::pipe2(tubo, O_CLOEXEC | O_NONBLOCK) != 0) qFatal("pipe2: %d", errno);
    recibidas = 0;
    aviso_ = new QSocketNotifier(tubo[0], QSocketNotifier::Read, this);
    connect(aviso_, &QSocketNotifier::activated, this, &ParadaPorSenal::alAvisar);
    struct sigaction accion {};
    accion.sa_handler = alRecibir;
    accion.sa_flags = SA_RESTART;
    sigemptyset(&accion.sa_mask);
    for (std::size_t i = 0; i < std::size(kSenales); ++i)
        sigaction(kSenales[i], &accion, &previas[i]);
}

ParadaPorSenal::~ParadaPorSenal() {
    for (std::size_t i = 0; i < std::size(kSenales); ++i)
        sigaction(kSenales[i], &previas[i], nullptr);
    delete aviso_;
    ::close(tubo[0]);
    ::close(tubo[1]);
    tubo[0] = tubo[1] = -1;
}

bool ParadaPorSenal::Pedida() {
    return tubo[0] >= 0 && recibidas.load() > 0;
}

void ParadaPorSenal::alAvisar() {
    unsigned char numero = 0;
    if (::read(tubo[0], &numero, 1) == 1) emit pedida(numero);
}
